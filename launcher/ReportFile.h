// Puts the run's report in place: whole or not at all, replacing a file that
// is there.
#pragma once

#include <string>

// False with the reason in problem when the file could not be written; then
// nothing at the path has changed.
bool writeReportFile(const std::wstring& path, const std::string& bytes, std::wstring& problem);

// Removes a report an earlier run left at the path, before this run does
// anything: a run that ends without writing its own (ended from outside, or
// its write refused) must not leave another run's report to be read as its
// result. A read-only file, kept on purpose, and a folder stay. True when a
// file was removed.
bool removeEarlierReport(const std::wstring& path);
