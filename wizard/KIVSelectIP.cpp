#include "KIVSelectIP.h"

#include "IUpdater.h"
#include "KIVError.h"
#include "MethodTrace.h"
#include "StringIds.h"
#include "WizardContext.h"

#include <commctrl.h>

#include <cstdio>
#include <memory>

namespace {
const int kAddress = 1002;
}

KIVSelectIP::KIVSelectIP(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::SelectAddress, context, resources), fields_{0, 0, 0, 0} {}

void KIVSelectIP::onInitDialog() {
    initCommon();
    setString(1038, Str::AddressHeading);
    makeHeading(1038, true);
    setString(1039, Str::AddressPrompt);
    setString(IDOK, Str::AddressSearch);
    setString(IDCANCEL, Str::AddressCancel);
    keepAddressLeftToRight();
}

// In a right-to-left page the address control would inherit the mirrored
// layout and show the first field on the right. An address reads left to
// right in every language, so the control is made again without it.
void KIVSelectIP::keepAddressLeftToRight() {
    HWND page = window();
    HWND old = item(kAddress);
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
        place.bottom - place.top, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAddress)),
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
    ::SendMessageW(item(kAddress), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
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
    MethodTrace trace(LogGUIMode, L"OnOK()");
    enableItem(IDOK, false);
    const std::wstring address = readAddress();
    for (KIVDevice* device : context_->devices()) {
        if (device && device->getIPAddress() == address) {
            endPage(PageClosed);
            return;
        }
    }
    IUpdater* updater = context_->updater;
    KIVDeviceArray* found = nullptr;
    updater->createDeviceArray(&found);
    ipAddressObject record(address);
    record.setStatus(ipAddressObject::NoPrinter);
    IpAddressArray addresses{&record};
    // The page waits: the search for one address is short.
    updater->enumerateCompatibleDevices(context_->options, found, &addresses);
    std::unique_ptr<KIVDevice> copy;
    if (found) {
        for (KIVDevice* device : *found) {
            if (device && device->getIPAddress() == address) {
                copy.reset(new KIVDevice(*device));
                break;
            }
        }
    }
    updater->freeDeviceArray(&found);
    enableItem(IDOK, true);
    const int32_t status = record.getStatus();
    // The engine lists only printers that fit the package, so a foreign
    // printer is known by its address record alone.
    if (status == ipAddressObject::WrongPrinter) {
        showError(3);
        return;
    }
    if (status != ipAddressObject::NoPrinter && copy) {
        context_->adoptAddedDevice(std::move(copy));
        endPage(PageConfirm);
        return;
    }
    showError(2);
}

void KIVSelectIP::onCancel() {
    endPage(PageClosed);
}
