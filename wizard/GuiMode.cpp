#include "GuiMode.h"

#include "DialogPageHost.h"
#include "InstalledVersion.h"
#include "IUpdater.h"
#include "KIVOptions.h"
#include "KIVStatus.h"
#include "LanguageChoice.h"
#include "LanguageCode.h"
#include "MethodTrace.h"
#include "ModeResults.h"
#include "ProgressValue.h"
#include "LibraryLoader.h"
#include "ScopedHandle.h"
#include "StatusMessenger.h"
#include "SystemUser32.h"
#include "WizardContext.h"
#include "WizardFlow.h"
#include "WorkerThreads.h"

#include <commctrl.h>

#include <iostream>

namespace {

// The first file that matches a wildcard pattern, as a full path.
std::wstring firstMatchingFile(const std::wstring& pattern) {
    WIN32_FIND_DATAW found{};
    ScopedFindHandle find(::FindFirstFileW(pattern.c_str(), &found));
    if (!find)
        return std::wstring();
    const size_t slash = pattern.find_last_of(L"\\/");
    const std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : pattern.substr(0, slash + 1);
    return folder + found.cFileName;
}

bool registerControlClasses() {
    // Version 6 of the common controls (selected by the program's manifest)
    // knows the standard classes too; an older library refuses the whole
    // call for a class it does not know, so it is asked without them.
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = dialogControlClasses() | ICC_STANDARD_CLASSES;
    if (::InitCommonControlsEx(&icc))
        return true;
    icc.dwICC = dialogControlClasses();
    return ::InitCommonControlsEx(&icc) != FALSE;
}

// Runs the modeless page's messages until it ends or the time is up.
void keepModeless(HWND page, DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    while (::IsWindow(page)) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            if (::IsWindow(page) && ::IsDialogMessageW(page, &message))
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

const DWORD kProgressPreviewMs = 30000;

} // namespace

uint32_t dialogControlClasses() {
    // The pages use the list view, animation, IP-address and progress
    // controls. Nothing that only version 6 knows (ICC_STANDARD_CLASSES,
    // ICC_LINK_CLASS): where the system gives the older library instead of
    // the one the manifest asks for, that library refuses the whole call for
    // a class it does not know. The standard window classes come from user32
    // in any case.
    return ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES;
}

GuiMode::GuiMode() : GuardedUpdateMode(7, 14), updater_(nullptr), appMode_(1), resources_(nullptr) {
    MethodTrace trace(LogGUIMode, L"GuiMode::GuiMode(): ");
}

GuiMode::~GuiMode() {
    MethodTrace trace(LogGUIMode, L"GuiMode::~GuiMode(): ");
    if (updater_ && !IUpdater::freeUpdaterLib(updater_))
        trace.message(L"Unable to free the Updater");
    updater_ = nullptr;
    messenger_.reset();
}

int32_t GuiMode::initializeUnguarded(KIVOptions* options) {
    MethodTrace trace(LogGUIMode, L"GuiMode::initialize(): ");
    if (!desktopIsVisible()) {
        trace.message(L"No visible desktop in this session; the wizard cannot be shown");
        std::wcout << L"KIV: the wizard needs a user's desktop, and this session has none (a "
                      L"service, a scheduled task or a remote shell); use -m 2."
                   << std::endl;
        return 7;
    }
    // No page hosts an ActiveX control, so nothing is set up for them.
    // Without the common controls no page could open.
    if (!registerControlClasses()) {
        trace.message(L"Unable to register the common controls!");
        return 7;
    }
    int32_t rc = 0;
    updater_ = IUpdater::makeUpdater(options, &rc);
    if (!updater_ || rc != 0) {
        trace.message(L"Unable to make an Updater!");
        return rc != 0 ? rc : 7;
    }
    if (options->getDialogNum() == 0) {
        rc = updater_->initialize(options);
        if (rc != 0) {
            trace.message(L"Unable to initialize the Updater!");
            return rc;
        }
    }
    if (options->getErrors())
        messenger_.reset(new StatusMessenger(std::wcout, LogGUIMode));
    return 0;
}

int32_t GuiMode::executeUnguarded(KIVOptions* options) {
    MethodTrace trace(LogGUIMode, L"GuiMode::executeUpdateMode(): ");
    trace.message(L"Beginning updates...");
    options->clearDeviceList();

    WizardContext context(options, updater_);
    updater_->getPackageVersionString(options, &context.packageVersion);

    if (!loadLanguage(context, *options))
        return ResultPagesMissing;

    if (options->getDialogNum() != 0) {
        DialogPageHost pages(resources_);
        return runPagePreview(context, *options, pages, resources_);
    }

    DialogPageHost pages(resources_);
    // Declared after the context: its destructor waits for every worker
    // before the context, the arrays and the updater go.
    WorkerThreads workers(pages);
    context.enumerations = &workers;
    WizardFlow::Environment env{&pages,
                                &workers,
                                updater_,
                                options,
                                messenger_.get(),
                                appMode_,
                                &reportProgress,
                                [this](KIVOptions* o, const std::wstring& version) {
                                    // With -e 1 a failed record is a result line too.
                                    recordInstalledVersion(o, version,
                                                           messenger_ ? &std::wcout : nullptr);
                                },
                                [] { setProgressValue(0); }};
    WizardFlow flow(env, context);
    return flow.run(trace);
}

bool GuiMode::loadLanguage(WizardContext& context, KIVOptions& options) {
    const std::wstring code = getLanguageCode(::GetUserDefaultLangID());
    RsrcMgr& folders = options.getRsrcMgr();
    const LanguageChoice choice =
        chooseLanguage(code, folders.getPackagePath(), &firstMatchingFile);
    context.licencePath = choice.licencePath;
    for (const std::wstring& folder : languageLibraryFolders(choice, folders.getCommonPath())) {
        resources_ = loadLibraryInFolder(folder, L"lang.dll");
        if (resources_)
            return true;
    }
    return false;
}

int32_t GuiMode::runPagePreview(WizardContext& context, KIVOptions& options, PageHost& pages,
                                HMODULE resources) {
    HWND console = ::GetConsoleWindow();
    if (console)
        ::ShowWindow(console, SW_SHOW);
    // The pages that need nothing but their request, by preview number; 5
    // (the progress page, which runs modeless) and 13 (a sample revision
    // mismatch) are made below.
    static const struct {
        int32_t number;
        PageKind kind;
        int32_t errorKind;
    } plainPages[] = {{1, PageKind::Welcome, 0},      {2, PageKind::Licence, 0},
                      {3, PageKind::SelectDevice, 0}, {4, PageKind::SelectAddress, 0},
                      {6, PageKind::Result, 0},       {7, PageKind::Summary, 0},
                      {8, PageKind::Error, 1},        {9, PageKind::Error, 2},
                      {10, PageKind::Error, 3},       {11, PageKind::Error, 4},
                      {12, PageKind::ErrorSPR, 0},    {14, PageKind::Error, 11}};
    const int32_t number = options.getDialogNum();
    for (const auto& plain : plainPages) {
        if (plain.number == number)
            pages.show(PageRequest(plain.kind, plain.errorKind), context);
    }
    if (number == 5) {
        KIVStatus progress(&context, resources);
        HWND page = progress.createModeless();
        if (page)
            keepModeless(page, kProgressPreviewMs);
        progress.destroyModeless();
    } else if (number == 13) {
        WizardContext sample(&options, context.updater);
        sample.deviceVersion = L"K417_C020513_00";
        sample.packageVersion = L"K417_D031507_00";
        pages.show(PageRequest(PageKind::ErrorRevision), sample);
    }
    return 0;
}
