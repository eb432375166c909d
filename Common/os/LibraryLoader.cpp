#include "LibraryLoader.h"

#include "PathCheck.h"

HMODULE loadLibraryInFolder(const std::wstring& folder, const wchar_t* fileName) {
    if (!isAbsoluteWindowsPath(folder))
        return nullptr;
    const std::wstring path = folder + fileName;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
