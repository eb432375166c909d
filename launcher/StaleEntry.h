// Decisions of the stale-folder cleanup that need no OS call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The lock file in every run folder beside Package\ and Common\.
const wchar_t kRunLockFileName[] = L"KIV.lock";

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

struct FolderEntry {
    std::wstring name;
    bool directory;
};

// Whether a folder holds nothing but what a run puts there: the folders
// "Package" and "Common" and the lock file. A folder with anything else is
// not ours, whatever its name, and is never deleted.
bool hasRunFolderLayout(const std::vector<FolderEntry>& entries);

// Whether creating a run folder failed only because the name is in use: it
// exists, or a folder of that name is being deleted at this moment (which
// the system reports as access denied). Either way the next name may do.
bool runFolderNameTaken(uint32_t createDirectoryError);
