// Shows every page template of one language library with the texts its page
// puts in, and saves a picture of each, so that a translation can be looked
// at (clipped texts, missing glyphs, mirrored layout) without the wizard.
//
//   LangReview.exe <lang.dll> <output folder>
//
// Writes one BMP per page into the output folder (shoot.sh makes PNGs) and
// prints a "clipped:" line for every text that does not fit its control.
#include "PageControls.h"
#include "WindowPicture.h"
#include "WindowsSupport.h"
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Sample data standing in for what the wizard learns at run time.
const wchar_t kPackageVersion[] = L"K206_G082511_00";
const wchar_t kDeviceVersion[] = L"K206_C020513_00";
const wchar_t kNetworkLabel[] = L"Tavrin K206 (192.168.1.20)";
const wchar_t kUsbLabel[] = L"Tavrin K206";
const wchar_t kLicenceSample[] =
    L"Sample licence text.\r\nThe page shows the package's licence file here.";

class Page {
public:
    Page(HMODULE library, HWND dialog) : library_(library), dialog_(dialog) {}
    ~Page() {
        for (HFONT font : fonts_)
            DeleteObject(font);
    }
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    std::wstring text(UINT number) const {
        const wchar_t* p = nullptr;
        int length = LoadStringW(library_, number, reinterpret_cast<LPWSTR>(&p), 0);
        return length > 0 && p ? std::wstring(p, length) : std::wstring();
    }
    void set(int control, const std::wstring& value) const {
        SetDlgItemTextW(dialog_, control, value.c_str());
    }
    void setString(int control, UINT number) const { set(control, text(number)); }
    void hide(int control) const { ShowWindow(GetDlgItem(dialog_, control), SW_HIDE); }

    // A heading as the pages make it: the control's font at weight 700,
    // optionally half as high again.
    void heading(int control, bool taller) {
        HWND item = GetDlgItem(dialog_, control);
        HFONT current = reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0));
        LOGFONTW lf = {};
        if (!current || !GetObjectW(current, sizeof lf, &lf))
            return;
        lf.lfWeight = FW_BOLD;
        if (taller)
            lf.lfHeight = static_cast<LONG>(lf.lfHeight * 1.5);
        HFONT bold = CreateFontIndirectW(&lf);
        fonts_.push_back(bold);
        SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
    }

    void listColumns(int control, UINT first, UINT second) const {
        HWND list = GetDlgItem(dialog_, control);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        const UINT headers[] = {first, second};
        const int widths[] = {249, 200};
        for (int i = 0; i < 2; ++i) {
            std::wstring header = text(headers[i]);
            LVCOLUMNW column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = LVCFMT_LEFT;
            column.cx = widths[i];
            column.pszText = &header[0];
            ListView_InsertColumn(list, i, &column);
        }
    }
    void listRow(int control, int row, std::wstring first, std::wstring second) const {
        HWND list = GetDlgItem(dialog_, control);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = &first[0];
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, row, 1, &second[0]);
    }

    HWND dialog() const { return dialog_; }

private:
    HMODULE library_;
    HWND dialog_;
    std::vector<HFONT> fonts_;
};

std::wstring composedErrorBody(const Page& p) {
    return std::wstring(kUsbLabel) + L"\n\n" + p.text(1030) + L"\n" + p.text(1031) + L"\n" +
           p.text(1032) + L"\n" + p.text(1033);
}

void fillWelcome(Page& p) {
    p.setString(Ctl::Welcome::Body, 1009);
    p.setString(Ctl::Welcome::Click, 1010);
    p.setString(Ctl::Welcome::Continue, 1045);
}

void fillLicence(Page& p) {
    p.setString(Ctl::Licence::Heading, 1011);
    p.heading(Ctl::Licence::Heading, true);
    p.setString(Ctl::Licence::MustAgree, 1012);
    p.setString(Ctl::Licence::Click, 1044);
    p.set(Ctl::Licence::Text, kLicenceSample);
    p.setString(Ctl::Licence::Agree, 1046);
    p.setString(Ctl::Licence::Disagree, 1047);
}

void fillSelectDevice(Page& p) {
    p.set(Ctl::SelectDevice::Heading, p.text(1013) + L" " + kPackageVersion);
    p.heading(Ctl::SelectDevice::Heading, false);
    p.listColumns(Ctl::SelectDevice::List, 1050, 1051);
    p.listRow(Ctl::SelectDevice::List, 0, kNetworkLabel, kDeviceVersion);
    p.listRow(Ctl::SelectDevice::List, 1, kUsbLabel, p.text(1065));
    p.setString(Ctl::SelectDevice::Help, 1069);
    p.setString(Ctl::SelectDevice::Continue, 1048);
    p.setString(Ctl::SelectDevice::Rescan, 1068);
    p.setString(Ctl::SelectDevice::AddByAddress, 1049);
}

void fillIpEntry(Page& p) {
    p.setString(Ctl::SelectAddress::Heading, 1014);
    p.heading(Ctl::SelectAddress::Heading, true);
    p.setString(Ctl::SelectAddress::Prompt, 1015);
    SendDlgItemMessageW(p.dialog(), Ctl::SelectAddress::Address, IPM_SETADDRESS, 0,
                        MAKEIPADDRESS(192, 168, 1, 20));
    p.setString(Ctl::SelectAddress::Search, 1053);
    p.setString(Ctl::SelectAddress::Cancel, 1052);
}

void fillProgress(Page& p) {
    p.setString(Ctl::Progress::Heading, 1016);
    p.heading(Ctl::Progress::Heading, true);
    p.set(Ctl::Progress::Printer, p.text(1017) + L" " + kUsbLabel);
    p.setString(Ctl::Progress::Body, 1043);
    SendDlgItemMessageW(p.dialog(), Ctl::Progress::Bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageW(p.dialog(), Ctl::Progress::Bar, PBM_SETPOS, 40, 0);
}

void fillSummary(Page& p) {
    p.setString(Ctl::Summary::Heading, 1020);
    p.heading(Ctl::Summary::Heading, true);
    p.setString(Ctl::Summary::Help, 1021);
    p.setString(Ctl::Summary::NetworkHint, 1022);
    p.listColumns(Ctl::Summary::List, 1056, 1057);
    p.listRow(Ctl::Summary::List, 0, kUsbLabel, p.text(1063));
    p.listRow(Ctl::Summary::List, 1, L"192.168.1.20", p.text(1064));
    p.setString(Ctl::Summary::Retry, 1054);
    p.setString(Ctl::Summary::Close, 1055);
}

void fillResult(Page& p) {
    p.setString(Ctl::Result::Heading, 1018);
    p.heading(Ctl::Result::Heading, true);
    p.set(Ctl::Result::Printer, kUsbLabel);
    p.setString(Ctl::Result::Body, 1019);
    p.setString(Ctl::Result::Continue, 1058);
}

// Kind 2: no printer at the entered address; one button.
void fillErrorNotFound(Page& p) {
    p.setString(Ctl::Error::Heading, 1025);
    p.heading(Ctl::Error::Heading, true);
    p.setString(Ctl::Error::Body, 1026);
    p.setString(Ctl::Error::Continue, 1059);
    p.hide(Ctl::Error::Retry);
}

// Kind 11: the printer did not answer; the composed body and a retry button.
void fillErrorNoAnswer(Page& p) {
    p.setString(Ctl::Error::Heading, 1074);
    p.heading(Ctl::Error::Heading, true);
    p.set(Ctl::Error::Body, composedErrorBody(p));
    p.setString(Ctl::Error::Continue, 1060);
    p.setString(Ctl::Error::Retry, 1054);
}

void fillSpr(Page& p) {
    p.setString(Ctl::ErrorSPR::Heading, 1034);
    p.heading(Ctl::ErrorSPR::Heading, false);
    p.setString(Ctl::ErrorSPR::Body, 1035);
    p.setString(Ctl::ErrorSPR::Continue, 1061);
    p.setString(Ctl::ErrorSPR::Cancel, 1060);
}

void fillRevision(Page& p) {
    p.setString(Ctl::ErrorRevision::Heading, 1036);
    p.heading(Ctl::ErrorRevision::Heading, true);
    std::wstring deviceLine = p.text(1070) + L" " + kDeviceVersion;
    p.set(Ctl::ErrorRevision::Device, deviceLine);
    p.set(Ctl::ErrorRevision::Package, p.text(1071) + L" " + kPackageVersion);
    size_t underscore = deviceLine.find(L'_');
    wchar_t letter = underscore != std::wstring::npos && underscore + 1 < deviceLine.size()
                         ? deviceLine[underscore + 1]
                     : deviceLine.empty() ? L' '
                                          : deviceLine[0];
    p.set(Ctl::ErrorRevision::Required, p.text(1072) + L" " + letter);
    p.setString(Ctl::ErrorRevision::Advice, 1073);
    p.setString(Ctl::ErrorRevision::Ok, 1062);
}

struct Shot {
    WORD templateNumber;
    const wchar_t* name;
    void (*fill)(Page&);
};

const Shot kShots[] = {
    {Tpl::Welcome, L"102-welcome", fillWelcome},
    {Tpl::Licence, L"129-licence", fillLicence},
    {Tpl::SelectDevice, L"130-select-device", fillSelectDevice},
    {Tpl::SelectAddress, L"131-ip-entry", fillIpEntry},
    {Tpl::Progress, L"132-progress", fillProgress},
    {Tpl::Summary, L"133-summary", fillSummary},
    {Tpl::Result, L"134-result", fillResult},
    {Tpl::Error, L"135-error-not-found", fillErrorNotFound},
    {Tpl::Error, L"135-error-no-answer", fillErrorNoAnswer},
    {Tpl::ErrorSPR, L"136-firmware-letter", fillSpr},
    {Tpl::ErrorRevision, L"137-revision", fillRevision},
};

HBRUSH whiteBrush() {
    static HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
    return brush;
}

// White behind every control, as on the wizard's pages.
INT_PTR CALLBACK pageProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(whiteBrush());
    }
    return FALSE;
}

void pumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
}

std::wstring className(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

// Texts longer than their control are cut off on the page; a picture shows
// that only to someone who reads the language, so name them as well.
int reportClippedTexts(HWND dialog, const wchar_t* page) {
    int clipped = 0;
    for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
        const std::wstring kind = className(item);
        const bool isText = _wcsicmp(kind.c_str(), L"Static") == 0;
        const bool isButton = _wcsicmp(kind.c_str(), L"Button") == 0;
        if ((!isText && !isButton) || !IsWindowVisible(item))
            continue;
        std::wstring text(GetWindowTextLengthW(item), L'\0');
        GetWindowTextW(item, &text[0], static_cast<int>(text.size()) + 1);
        RECT room;
        GetClientRect(item, &room);
        HDC dc = GetDC(item);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0)));
        // Buttons keep a few pixels for their frame and focus mark.
        RECT need = {0, 0, isButton ? room.right - 6 : room.right, 0};
        UINT format = DT_CALCRECT | (isButton ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS);
        DrawTextW(dc, text.c_str(), -1, &need, format);
        SelectObject(dc, old);
        ReleaseDC(item, dc);
        const bool tooWide = isButton && need.right > room.right - 6;
        const bool tooHigh = need.bottom > room.bottom;
        if (tooWide || tooHigh) {
            wprintf(L"clipped: %ls control %d needs %ldx%ld pixels, has %ldx%ld\n", page,
                    GetDlgCtrlID(item), need.right + (isButton ? 6 : 0), need.bottom, room.right,
                    room.bottom);
            ++clipped;
        }
    }
    return clipped;
}

bool shoot(HMODULE library, const Shot& shot, const std::wstring& folder) {
    HWND dialog =
        CreateDialogParamW(library, MAKEINTRESOURCEW(shot.templateNumber), nullptr, pageProc, 0);
    if (!dialog) {
        fwprintf(stderr, L"template %u: cannot create the page (error %lu)\n", shot.templateNumber,
                 GetLastError());
        return false;
    }
    bool ok;
    {
        Page page(library, dialog);
        SetWindowTextW(dialog, page.text(1005).c_str());
        shot.fill(page);
        SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(dialog);
        pumpFor(700);
        reportClippedTexts(dialog, shot.name);
        std::wstring path = folder + L"\\" + shot.name + L".bmp";
        ok = saveWindowPicture(dialog, path);
        if (!ok)
            fwprintf(stderr, L"%ls: cannot save the picture\n", path.c_str());
        DestroyWindow(dialog);
    }
    pumpFor(50);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fwprintf(stderr, L"usage: LangReview <lang.dll> <output folder>\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES |
                                                          ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HMODULE library = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) {
        fwprintf(stderr, L"%ls: cannot load (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    CreateDirectoryW(argv[2], nullptr);
    int failures = 0;
    for (const Shot& shot : kShots)
        failures += shoot(library, shot, argv[2]) ? 0 : 1;
    FreeLibrary(library);
    return failures == 0 ? 0 : 1;
}
