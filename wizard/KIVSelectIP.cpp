#include "KIVSelectIP.h"

#include "IUpdater.h"
#include "KIVError.h"
#include "KIVOptions.h"
#include "MethodTrace.h"
#include "PageControls.h"
#include "StringIds.h"
#include "WizardContext.h"

#include <commctrl.h>

#include <process.h>

#include <cstdio>

namespace {
const UINT_PTR kPollTimer = 1;
} // namespace

KIVSelectIP::KIVSelectIP(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::SelectAddress, context, resources), pollMs(50), fields_{0, 0, 0, 0},
      endWhenDone_(false) {}

KIVSelectIP::~KIVSelectIP() {
    waitForSearch();
}

void KIVSelectIP::waitForSearch() {
    if (searchThread_)
        ::WaitForSingleObject(searchThread_.get(), INFINITE);
    searchThread_.reset();
}

void KIVSelectIP::onInitDialog() {
    setHeading(Ctl::SelectAddress::Heading, Str::AddressHeading, true);
    setStrings({{Ctl::SelectAddress::Prompt, Str::AddressPrompt},
                {Ctl::SelectAddress::Search, Str::AddressSearch},
                {Ctl::SelectAddress::Cancel, Str::AddressCancel}});
    keepAddressLeftToRight();
    makeSearchTheDefault();
}

// Enter searches for the typed address; the template makes the cancel
// button the default, which would close the page with nothing added.
void KIVSelectIP::makeSearchTheDefault() {
    ::SendMessageW(window(), DM_SETDEFID, Ctl::SelectAddress::Search, 0);
    ::SendMessageW(item(Ctl::SelectAddress::Cancel), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    ::SendMessageW(item(Ctl::SelectAddress::Search), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// In a right-to-left page the address control would inherit the mirrored
// layout and show the first field on the right. An address reads left to
// right in every language, so the control is made again without it.
void KIVSelectIP::keepAddressLeftToRight() {
    HWND page = window();
    HWND old = item(Ctl::SelectAddress::Address);
    const LONG_PTR pageEx = ::GetWindowLongPtrW(page, GWL_EXSTYLE);
    if (!old || !(pageEx & WS_EX_LAYOUTRTL))
        return;
    RECT place{};
    ::GetWindowRect(old, &place);
    ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(old, GWL_STYLE));
    const DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(old, GWL_EXSTYLE)) &
                     ~(WS_EX_LAYOUTRTL | WS_EX_RTLREADING);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(old, WM_GETFONT, 0, 0));
    HWND before = ::GetWindow(old, GW_HWNDPREV);
    ::DestroyWindow(old);
    ::SetWindowLongPtrW(page, GWL_EXSTYLE, pageEx | WS_EX_NOINHERITLAYOUT);
    HWND fresh = ::CreateWindowExW(
        ex, WC_IPADDRESSW, L"", style, place.left, place.top, place.right - place.left,
        place.bottom - place.top, page,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(Ctl::SelectAddress::Address)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(page, GWLP_HINSTANCE)), nullptr);
    ::SetWindowLongPtrW(page, GWL_EXSTYLE, pageEx);
    if (!fresh)
        return;
    ::SendMessageW(fresh, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Same place in the tab order as the control it replaces.
    ::SetWindowPos(fresh, before ? before : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::wstring KIVSelectIP::readAddress() {
    DWORD packed = 0;
    ::SendMessageW(item(Ctl::SelectAddress::Address), IPM_GETADDRESS, 0,
                   reinterpret_cast<LPARAM>(&packed));
    fields_[0] = static_cast<uint8_t>(FIRST_IPADDRESS(packed));
    fields_[1] = static_cast<uint8_t>(SECOND_IPADDRESS(packed));
    fields_[2] = static_cast<uint8_t>(THIRD_IPADDRESS(packed));
    fields_[3] = static_cast<uint8_t>(FOURTH_IPADDRESS(packed));
    wchar_t text[32];
    std::swprintf(text, 32, L"%d.%d.%d.%d", fields_[0], fields_[1], fields_[2], fields_[3]);
    return text;
}

void KIVSelectIP::showError(int32_t kind) {
    KIVError error(context_, resources_, kind);
    error.runModal(window());
}

void KIVSelectIP::onOK() {
    // Enter reaches here even while the button waits for a search.
    if (search_ || !::IsWindowEnabled(item(Ctl::SelectAddress::Search)))
        return;
    MethodTrace trace(LogGUIMode, L"OnOK()");
    const std::wstring address = readAddress();
    for (KIVDevice* device : context_->devices()) {
        if (device && device->getIPAddress() == address) {
            endPage(PageClosed);
            return;
        }
    }
    enableButtons(false);
    if (!startSearch(address)) {
        trace.message(L"Unable to start the search for address=", address);
        enableButtons(true);
        showError(2);
    }
}

void KIVSelectIP::enableButtons(bool enabled) {
    enableItem(Ctl::SelectAddress::Search, enabled);
    enableItem(Ctl::SelectAddress::Cancel, enabled);
    enableItem(Ctl::SelectAddress::Address, enabled);
}

bool KIVSelectIP::startSearch(const std::wstring& address) {
    search_.reset(new Search{context_->updater,
                             context_->options,
                             address,
                             AddressSearch{AddressSearch::NoPrinter, nullptr},
                             {false}});
    const uintptr_t thread = _beginthreadex(nullptr, 0, &searchWorker, search_.get(), 0, nullptr);
    if (thread == 0) {
        search_.reset();
        return false;
    }
    searchThread_.reset(reinterpret_cast<HANDLE>(thread));
    poll_.start(window(), kPollTimer, pollMs);
    return true;
}

unsigned __stdcall KIVSelectIP::searchWorker(void* argument) {
    Search* search = static_cast<Search*>(argument);
    try {
        search->result = AddressSearch::run(*search->updater, search->options, search->address);
    } catch (...) {
        search->result = AddressSearch{AddressSearch::NoPrinter, nullptr};
    }
    search->done = true;
    return 0;
}

void KIVSelectIP::onTimer(UINT_PTR id) {
    if (id != kPollTimer || !search_ || !search_->done)
        return;
    poll_.stop();
    waitForSearch();
    searchEnded();
}

void KIVSelectIP::searchEnded() {
    std::unique_ptr<Search> search(std::move(search_));
    enableButtons(true);
    if (endWhenDone_) {
        endPage(PageClosed);
        return;
    }
    switch (search->result.outcome) {
    case AddressSearch::Found:
        context_->adoptAddedDevice(std::move(search->result.device));
        endPage(PageConfirm);
        return;
    case AddressSearch::WrongPrinter:
        showError(3);
        return;
    case AddressSearch::NoPrinter:
        showError(2);
        return;
    }
}

// The search is not stopped from outside: closing waits for it to end.
void KIVSelectIP::onCancel() {
    if (search_) {
        endWhenDone_ = true;
        return;
    }
    endPage(PageClosed);
}

void KIVSelectIP::onClose() {
    onCancel();
}
