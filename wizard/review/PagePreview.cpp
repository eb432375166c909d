// Shows one wizard page as "KIV.exe -m 1 -dialog N" does, from a chosen
// language library and with sample printers, for review pictures
// (shoot-pages.sh). Once the page is up it prints "ready"; it ends the page
// when the file <done> appears (or after 60 s).
//
//   PagePreview.exe <lang.dll> <art folder\> <N> <licence file> <done file>
#include "DialogPageHost.h"
#include "GuiMode.h"
#include "KIVOptions.h"
#include "WizardContext.h"

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Found {
    std::vector<HWND> pages;
};

BOOL CALLBACK collect(HWND window, LPARAM param) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window))
        reinterpret_cast<Found*>(param)->pages.push_back(window);
    return TRUE;
}

std::vector<HWND> pagesOf(DWORD thread) {
    Found found;
    ::EnumThreadWindows(thread, &collect, reinterpret_cast<LPARAM>(&found));
    return found.pages;
}

void closer(DWORD thread, std::wstring done) {
    for (int i = 0; i < 600 && pagesOf(thread).empty(); ++i)
        ::Sleep(100);
    ::Sleep(800);
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0; i < 600 && ::GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        ::Sleep(100);
    // The close box first; pages that ignore it end with their button 1.
    for (int round = 0; round < 50; ++round) {
        const std::vector<HWND> pages = pagesOf(thread);
        if (pages.empty())
            return;
        for (HWND page : pages)
            ::PostMessageW(page, round % 2 ? WM_COMMAND : WM_CLOSE, round % 2 ? IDOK : 0, 0);
        ::Sleep(200);
    }
}

KIVDevice sample(int32_t type, const wchar_t* name, const wchar_t* port, const wchar_t* ip,
                 const wchar_t* version) {
    KIVDevice d;
    d.setType(type);
    d.setName(name);
    d.setPortName(port);
    d.setIPAddress(ip);
    d.setCurrVer(version);
    return d;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: PagePreview <lang.dll> <art folder> <N> <licence> <done>\n");
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&icc);
    HMODULE lang = ::LoadLibraryExW(argv[1], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!lang) {
        std::fprintf(stderr, "cannot load %ls\n", argv[1]);
        return 3;
    }
    KIVOptions options;
    const wchar_t* args[] = {L"PagePreview.exe", L"-dialog", argv[3]};
    options.parseCmdLine(3, args);
    options.getRsrcMgr().setDirectories(argv[2], argv[2]);

    const std::wstring package = L"K206_G082511_00";
    std::vector<KIVDevice> devices = {
        sample(KIVDevice::TypeNetwork, L"Tavrin K206 Office Floor 2", L"IP_192.168.1.20",
               L"192.168.1.20", L"K206_G010111_00"),
        sample(KIVDevice::TypeUsb, L"Tavrin K206", L"USB001", L"", package.c_str()),
        sample(KIVDevice::TypeIpAddress, L"K206", L"", L"10.20.30.40", L"K206_F120110_00")};
    for (KIVDevice& d : devices)
        options.addDeviceToList(d);
    options.setDeviceStatusAt(1, KIVDevice::Updated);

    WizardContext context(&options, nullptr);
    context.packageVersion = package;
    context.licencePath = argv[4];
    std::vector<KIVDevice*> shown;
    for (KIVDevice& d : devices)
        shown.push_back(&d);
    context.publishDevices(context.beginEnumeration(), shown);

    std::thread helper(closer, ::GetCurrentThreadId(), std::wstring(argv[5]));
    DialogPageHost pages(lang);
    GuiMode::runPagePreview(context, options, pages, lang);
    helper.join();
    return 0;
}
