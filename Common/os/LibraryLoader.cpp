#include "LibraryLoader.h"

#include "PathCheck.h"
#include "ScopedHandle.h"

HMODULE loadLibraryInFolder(const std::wstring& folder, const wchar_t* fileName) {
    if (!isAbsoluteWindowsPath(folder))
        return nullptr;
    const std::wstring path = folder + fileName;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void hardenLibrarySearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault =
        kernel ? getProcAddressAs<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories")
               : nullptr;
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        ::SetDllDirectoryW(L"");
}
