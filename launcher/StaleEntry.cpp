#include "StaleEntry.h"

#include "TextCase.h"

bool isStaleRunFolderName(const std::wstring& name) {
    // Exactly the names createDirs gives: another program's folder that merely
    // contains "KIV_" is not ours to delete.
    if (name.compare(0, 4, L"KIV_") != 0)
        return false;
    size_t pos = 4;
    if (pos < name.size() && name[pos] == L'-')
        ++pos;
    if (pos == name.size())
        return false;
    for (; pos < name.size(); ++pos)
        if (name[pos] < L'0' || name[pos] > L'9')
            return false;
    return true;
}

namespace {

const uint32_t kErrorAccessDenied = 5;
const uint32_t kErrorAlreadyExists = 183;

} // namespace

bool hasRunFolderLayout(const std::vector<FolderEntry>& entries) {
    for (const FolderEntry& e : entries) {
        const bool ours = e.directory ? equalsIgnoringCase(e.name, L"Package") ||
                                            equalsIgnoringCase(e.name, L"Common")
                                      : equalsIgnoringCase(e.name, kRunLockFileName);
        if (!ours)
            return false;
    }
    return true;
}

bool runFolderNameTaken(uint32_t createDirectoryError) {
    return createDirectoryError == kErrorAlreadyExists ||
           createDirectoryError == kErrorAccessDenied;
}

bool finalPathIsEntry(const std::wstring& parentFinal, const std::wstring& name,
                      const std::wstring& entryFinal) {
    if (parentFinal.empty() || name.empty())
        return false;
    return equalsIgnoringCase(withBackslash(parentFinal) + name, entryFinal);
}

std::wstring withBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}
