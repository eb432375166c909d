#include "WizardPage.h"

#include "KIVOptions.h"
#include "StringIds.h"
#include "WizardContext.h"

WizardPage::WizardPage(uint16_t templateId, WizardContext* context, HMODULE resources)
    : context_(context), resources_(resources), templateId_(templateId), hwnd_(nullptr),
      modal_(false), result_(0), width_(0), height_(0) {}

WizardPage::~WizardPage() {
    destroyModeless();
}

int32_t WizardPage::runModal(HWND owner) {
    modal_ = true;
    result_ = 0;
    INT_PTR r = ::DialogBoxParamW(resources_, MAKEINTRESOURCEW(templateId_), owner, &dialogProc,
                                  reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    if (r == 0 || r == -1)
        return PageNotCreated;
    return static_cast<int32_t>(r);
}

HWND WizardPage::createModeless(HWND owner) {
    modal_ = false;
    result_ = 0;
    HWND window = ::CreateDialogParamW(resources_, MAKEINTRESOURCEW(templateId_), owner,
                                       &dialogProc, reinterpret_cast<LPARAM>(this));
    if (window && result_ == 0)
        ::ShowWindow(window, SW_SHOW);
    return hwnd_;
}

void WizardPage::destroyModeless() {
    if (!modal_ && hwnd_)
        ::DestroyWindow(hwnd_);
}

std::wstring WizardPage::loadText(HMODULE resources, uint32_t id) {
    const wchar_t* p = nullptr;
    int length = ::LoadStringW(resources, id, reinterpret_cast<LPWSTR>(&p), 0);
    return length > 0 && p ? std::wstring(p, static_cast<size_t>(length)) : std::wstring();
}

void WizardPage::onCommand(int, int) {}
void WizardPage::onNotify(const NMHDR&) {}
void WizardPage::onTimer(UINT_PTR) {}
void WizardPage::onOK() {
    endPage(PageConfirm);
}
void WizardPage::onCancel() {}
void WizardPage::onClose() {
    endPage(PageClosed);
}

bool WizardPage::onQueryEndSession() {
    return true;
}

void WizardPage::initCommon() {
    brush_.reset(::CreateSolidBrush(RGB(255, 255, 255)));
    const std::wstring picture = context_->options->getRsrcMgr().getPackagePath() + L"mback.bmp";
    background_.reset(static_cast<HBITMAP>(
        ::LoadImageW(nullptr, picture.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    BITMAP info{};
    if (background_ && ::GetObjectW(background_.get(), sizeof(info), &info)) {
        width_ = info.bmWidth;
        height_ = info.bmHeight;
    } else {
        // Without the picture the page is plain white.
        background_.reset();
        width_ = height_ = 0;
    }
    readRightToLeft();
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, 0);
    ::SetWindowTextW(hwnd_, text(Str::Title).c_str());
}

// A mirrored page (Arabic, Hebrew) also reads its texts right to left, so a
// line such as a label followed by a version number keeps the label first.
void WizardPage::readRightToLeft() {
    if (!(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL))
        return;
    for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        ::GetClassNameW(child, name, 16);
        if (::lstrcmpiW(name, L"Static") != 0 && ::lstrcmpiW(name, L"Edit") != 0)
            continue;
        ::SetWindowLongPtrW(child, GWL_EXSTYLE,
                            ::GetWindowLongPtrW(child, GWL_EXSTYLE) | WS_EX_RTLREADING);
    }
}

void WizardPage::endPage(int32_t result) {
    result_ = result;
    if (!hwnd_)
        return;
    if (modal_) {
        ::EndDialog(hwnd_, result);
    } else {
        HWND window = hwnd_;
        ::DestroyWindow(window);
    }
}

void WizardPage::setText(int control, const std::wstring& value) {
    ::SetDlgItemTextW(hwnd_, control, value.c_str());
}

void WizardPage::setString(int control, uint32_t id) {
    setText(control, text(id));
}

void WizardPage::setStrings(std::initializer_list<ControlText> texts) {
    for (const ControlText& t : texts)
        setString(t.control, t.id);
}

void WizardPage::setHeading(int control, uint32_t id, bool taller) {
    setHeading(control, text(id), taller);
}

void WizardPage::setHeading(int control, const std::wstring& value, bool taller) {
    setText(control, value);
    makeHeading(control, taller);
}

void WizardPage::makeHeading(int control, bool taller) {
    HWND window = item(control);
    HFONT current = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    if (!current)
        current = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW font{};
    if (!::GetObjectW(current, sizeof(font), &font))
        return;
    font.lfWeight = FW_BOLD;
    if (taller)
        font.lfHeight = static_cast<LONG>(font.lfHeight * 1.5);
    ScopedFont bold(::CreateFontIndirectW(&font));
    if (!bold)
        return;
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), TRUE);
    fonts_.push_back(std::move(bold));
}

KIVDevice WizardPage::currentDevice() const {
    KIVDevice device;
    if (context_->currentIndex >= 0)
        context_->options->getDeviceAt(static_cast<uint32_t>(context_->currentIndex), device);
    return device;
}

HWND WizardPage::item(int control) const {
    return ::GetDlgItem(hwnd_, control);
}

void WizardPage::showItem(int control, bool visible) {
    ::ShowWindow(item(control), visible ? SW_SHOW : SW_HIDE);
}

void WizardPage::enableItem(int control, bool enabled) {
    ::EnableWindow(item(control), enabled ? TRUE : FALSE);
}

void WizardPage::eraseBackground(HDC dc) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (brush_)
        ::FillRect(dc, &client, brush_.get());
    if (!background_)
        return;
    HDC memory = ::CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ old = ::SelectObject(memory, background_.get());
    ::BitBlt(dc, 0, 0, width_, height_, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

INT_PTR CALLBACK WizardPage::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WizardPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        page = reinterpret_cast<WizardPage*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->hwnd_ = window;
    } else {
        page = reinterpret_cast<WizardPage*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!page)
        return FALSE;
    INT_PTR handled = FALSE;
    try {
        handled = page->dispatch(message, wParam, lParam);
    } catch (...) {
        handled = FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        page->hwnd_ = nullptr;
    }
    return handled;
}

INT_PTR WizardPage::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        initCommon();
        onInitDialog();
        // A page that put the focus on one of its controls keeps it; TRUE
        // would have the dialog manager move it to the first tab stop.
        HWND focus = ::GetFocus();
        return !(focus && ::IsChild(hwnd_, focus));
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onOK();
            break;
        case IDCANCEL:
            onCancel();
            break;
        default:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            break;
        }
        return TRUE;
    case WM_NOTIFY:
        onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_TIMER:
        onTimer(static_cast<UINT_PTR>(wParam));
        return TRUE;
    case WM_CLOSE:
        onClose();
        return TRUE;
    case WM_QUERYENDSESSION:
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, onQueryEndSession() ? TRUE : FALSE);
        return TRUE;
    case WM_ERASEBKGND:
        eraseBackground(reinterpret_cast<HDC>(wParam));
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG:
        if (!brush_)
            return FALSE;
        ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(brush_.get());
    default:
        return FALSE;
    }
}
