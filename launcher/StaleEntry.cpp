#include "StaleEntry.h"

#include <cwctype>

bool isStaleRunFolderName(const std::wstring& name) {
    return !name.empty() && name[0] != L'.' && name.find(L"KIV_") != std::wstring::npos;
}

namespace {

bool sameFold(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i]))
            return false;
    return true;
}

} // namespace

bool finalPathIsEntry(const std::wstring& parentFinal, const std::wstring& name,
                      const std::wstring& entryFinal) {
    if (parentFinal.empty() || name.empty())
        return false;
    return sameFold(withBackslash(parentFinal) + name, entryFinal);
}

std::wstring withBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}
