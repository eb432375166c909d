// Decisions of the stale-folder cleanup that need no OS call.
#pragma once

#include <string>

// A folder left by an earlier run: "KIV_" followed by the run's seconds
// (decimal, possibly negative). Names beginning with "." never match.
bool isStaleRunFolderName(const std::wstring& name);

// Whether a path that the file system reports for an entry (its final path)
// is the entry itself, i.e. parentFinal + "\" + name, compared without regard
// to letter case. Anything else means the name leads somewhere else (a link
// that the platform follows) and must not be deleted through.
bool finalPathIsEntry(const std::wstring& parentFinal, const std::wstring& name,
                      const std::wstring& entryFinal);

// Appends a backslash unless the path already ends with one.
std::wstring withBackslash(std::wstring path);
