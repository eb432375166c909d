#include "KIVSelectDevice.h"

#include "KIVOptions.h"
#include "KIVSelectIP.h"
#include "ListView.h"
#include "MethodTrace.h"
#include "PageControls.h"
#include "StringIds.h"
#include "WizardContext.h"

#include <commctrl.h>

namespace {
const UINT_PTR kWaitTimer = 1;

// A heading text that ends in a blank already gets no second one.
std::wstring withVersion(const std::wstring& heading, const std::wstring& version) {
    if (!heading.empty() && heading.back() == L' ')
        return heading + version;
    return heading + L" " + version;
}
} // namespace

KIVSelectDevice::KIVSelectDevice(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::SelectDevice, context, resources),
      model_(context->packageVersion, loadText(resources, Str::UpToDate)), animation_(nullptr) {}

KIVSelectDevice::~KIVSelectDevice() {}

void KIVSelectDevice::onInitDialog() {
    MethodTrace trace(LogGUIMode, L"KIVSelectDevice::OnInitDialog(): ");
    trace.message(L"Open");
    enableItem(Ctl::SelectDevice::Continue, false);
    enableItem(Ctl::SelectDevice::Rescan, false);
    enableItem(Ctl::SelectDevice::AddByAddress, false);
    showItem(Ctl::SelectDevice::Help, false);
    setHeading(Ctl::SelectDevice::Heading,
               withVersion(text(Str::SelectHeading), context_->packageVersion), false);
    setStrings({{Ctl::SelectDevice::Help, Str::SelectHelp},
                {Ctl::SelectDevice::Continue, Str::SelectContinue},
                {Ctl::SelectDevice::Rescan, Str::Rescan},
                {Ctl::SelectDevice::AddByAddress, Str::AddByAddress}});

    HWND list = item(Ctl::SelectDevice::List);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | LVS_SHOWSELALWAYS);
    listAddTwoColumns(list, text(Str::ColumnPrinter), 249, text(Str::ColumnVersion), 200);

    createAnimation();
    if (context_->deviceCount() > 0) {
        ::ShowWindow(animation_, SW_HIDE);
        fillList(&trace);
    } else {
        startWaiting();
    }
}

void KIVSelectDevice::createAnimation() {
    animation_ = ::CreateWindowExW(
        0, ANIMATE_CLASSW, L"", WS_CHILD | WS_VISIBLE | ACS_CENTER, 14, 118, 459 - 14, 130 - 118,
        window(), nullptr,
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window(), GWLP_HINSTANCE)), nullptr);
    const std::wstring clip = context_->options->getRsrcMgr().getCommonPath() + L"trdrp.avi";
    ::SendMessageW(animation_, ACM_OPENW, 0, reinterpret_cast<LPARAM>(clip.c_str()));
}

void KIVSelectDevice::startWaiting() {
    model_.resetTicks();
    timer_.start(window(), kWaitTimer, model_.timerIntervalMs);
    ::ShowWindow(animation_, SW_SHOW);
    ::SendMessageW(animation_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
}

void KIVSelectDevice::stopWaiting() {
    ::SendMessageW(animation_, ACM_STOP, 0, 0);
    ::ShowWindow(animation_, SW_HIDE);
    timer_.stop();
}

void KIVSelectDevice::onTimer(UINT_PTR id) {
    if (id != kWaitTimer || !timer_.running())
        return;
    const bool arrived = context_->deviceCount() > 0 || context_->enumerationEnded();
    if (!model_.tick(arrived))
        return;
    // A search still running now would, when it ends, replace the list under
    // rows the user is already choosing from and adding to.
    if (!arrived)
        context_->abandonEnumeration();
    stopWaiting();
    ::SendMessageW(item(Ctl::SelectDevice::List), LVM_DELETEALLITEMS, 0, 0);
    fillList(nullptr);
}

void KIVSelectDevice::fillList(MethodTrace* trace) {
    model_.fill(context_->devices());
    for (size_t i = 0; i < model_.size(); ++i) {
        if (trace)
            trace->message(L"Device - ", model_.device(i)->getName(), L"  ver - ",
                           model_.device(i)->getCurrVer());
        addRow(i);
    }
    enableItem(Ctl::SelectDevice::Rescan, true);
    enableItem(Ctl::SelectDevice::AddByAddress, true);
    showItem(Ctl::SelectDevice::Help, true);
    preselectSingle();
}

void KIVSelectDevice::addRow(size_t index) {
    const SelectDeviceModel::Row& row = model_.row(index);
    listAddRow(item(Ctl::SelectDevice::List), static_cast<int>(index), row.label, row.version);
}

void KIVSelectDevice::preselectSingle() {
    if (model_.size() != 1)
        return;
    HWND list = item(Ctl::SelectDevice::List);
    enableItem(Ctl::SelectDevice::Continue, true);
    ::SetFocus(list);
    listSelectRow(list, 0, true);
    ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, 0);
}

void KIVSelectDevice::showMarks() {
    HWND list = item(Ctl::SelectDevice::List);
    for (size_t i = 0; i < model_.size(); ++i)
        listSelectRow(list, static_cast<int>(i), model_.marked(i));
}

void KIVSelectDevice::onNotify(const NMHDR& header) {
    if (header.idFrom == Ctl::SelectDevice::List && header.code == NM_CLICK)
        onListClick();
}

void KIVSelectDevice::onListClick() {
    HWND list = item(Ctl::SelectDevice::List);
    const int mark = static_cast<int>(::SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
    if (mark >= 0 && static_cast<size_t>(mark) < model_.size())
        model_.toggle(static_cast<size_t>(mark));
    showMarks();
    enableItem(Ctl::SelectDevice::Continue, ::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0);
}

void KIVSelectDevice::onCommand(int id, int) {
    if (id == Ctl::SelectDevice::Rescan)
        rescanDevices();
    else if (id == Ctl::SelectDevice::AddByAddress)
        addAddressDevice();
}

void KIVSelectDevice::onOK() {
    // Enter reaches here even while the button is disabled.
    if (!::IsWindowEnabled(item(Ctl::SelectDevice::Continue)))
        return;
    MethodTrace trace(LogGUIMode, L"KIVSelectDevice::OnOK()");
    trace.message(L"Close");
    HWND list = item(Ctl::SelectDevice::List);
    trace.message(L"Number of items selected ",
                  static_cast<int32_t>(::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0)));
    selection_.clear();
    chosen_.clear();
    for (int row = static_cast<int>(
             ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         row >= 0; row = static_cast<int>(::SendMessageW(
                       list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
        selection_.push_back(row);
        if (static_cast<size_t>(row) < model_.size())
            chosen_.push_back(*model_.device(static_cast<size_t>(row)));
        trace.message(L"Item was selected:", row);
    }
    if (selection_.empty())
        trace.message(L"No items were selected!");
    for (int32_t entry : selection_)
        trace.message(L"Element selected at position  ", entry);
    endPage(PageConfirm);
}

void KIVSelectDevice::onClose() {
    MethodTrace trace(LogGUIMode, L"KIVSelectDevice::OnClose(): ");
    trace.message(L"Close - Close Button");
    endPage(PageClosed);
}

void KIVSelectDevice::rescanDevices() {
    enableItem(Ctl::SelectDevice::Rescan, false);
    enableItem(Ctl::SelectDevice::AddByAddress, false);
    enableItem(Ctl::SelectDevice::Continue, false);
    ::SendMessageW(item(Ctl::SelectDevice::List), LVM_DELETEALLITEMS, 0, 0);
    model_.clear();
    // The worker owns its array until it has ended; the page keeps nothing a
    // worker could still write into.
    if (context_->enumerations)
        context_->enumerations->startEnumeration(*context_);
    else
        context_->clearDevices();
    startWaiting();
}

void KIVSelectDevice::addAddressDevice() {
    KIVSelectIP entry(context_, resources_);
    if (entry.runModal(window()) == PageConfirm && context_->addedDevice) {
        KIVDevice* device = context_->addedDevice;
        model_.append(device);
        context_->appendDevice(device);
        addRow(model_.size() - 1);
    }
    showMarks();
    preselectSingle();
}
