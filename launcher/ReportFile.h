// Puts the run's report in place: whole or not at all, replacing a file that
// is there.
#pragma once

#include <string>

// False with the reason in problem when the file could not be written; then
// nothing at the path has changed.
bool writeReportFile(const std::wstring& path, const std::string& bytes, std::wstring& problem);
