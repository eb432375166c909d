#include "SystemUser32.h"

#include "ScopedHandle.h"

HMODULE systemUser32() {
    static const HMODULE user32 = [] {
        HMODULE loaded = ::LoadLibraryExW(L"user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        // A system without the search flags (Windows 7 before its loader
        // update) refuses them: the library by its full path there.
        wchar_t system[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
        if (!loaded && length > 0 && length < MAX_PATH)
            loaded = ::LoadLibraryW((std::wstring(system, length) + L"\\user32.dll").c_str());
        return loaded;
    }();
    return user32;
}

bool desktopIsVisible() {
    // Session 0 is the services' own: nobody has seen its desktop since
    // Vista, though its window station still calls itself visible.
    DWORD session = 0;
    if (::ProcessIdToSessionId(::GetCurrentProcessId(), &session) && session == 0)
        return false;
    typedef HWINSTA(WINAPI * StationFn)();
    typedef BOOL(WINAPI * InformationFn)(HANDLE, int, PVOID, DWORD, LPDWORD);
    HMODULE user32 = systemUser32();
    StationFn station =
        user32 ? getProcAddressAs<StationFn>(user32, "GetProcessWindowStation") : nullptr;
    InformationFn information =
        user32 ? getProcAddressAs<InformationFn>(user32, "GetUserObjectInformationW") : nullptr;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!station || !information ||
        !information(station(), UOI_FLAGS, &flags, sizeof(flags), &needed))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void showErrorBox(const std::wstring& text) {
    typedef int(WINAPI * MessageBoxFn)(HWND, LPCWSTR, LPCWSTR, UINT);
    HMODULE user32 = systemUser32();
    MessageBoxFn box = user32 ? getProcAddressAs<MessageBoxFn>(user32, "MessageBoxW") : nullptr;
    if (box && desktopIsVisible())
        box(nullptr, text.c_str(), L"KIV", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
