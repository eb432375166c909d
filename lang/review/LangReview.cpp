// Shows every page template of one language library with the texts its page
// puts in, and saves a picture of each, so that a translation can be looked
// at (clipped texts, missing glyphs, mirrored layout) without the wizard.
//
//   LangReview.exe <lang.dll> <output folder>
//
// Writes one BMP per page into the output folder (shoot.sh makes PNGs) and
// prints a "clipped:" line for every text that does not fit its control.
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
    p.setString(1039, 1009);
    p.setString(1040, 1010);
    p.setString(IDOK, 1045);
}

void fillLicence(Page& p) {
    p.setString(1038, 1011);
    p.heading(1038, true);
    p.setString(1039, 1012);
    p.setString(1040, 1044);
    p.set(1000, kLicenceSample);
    p.setString(IDOK, 1046);
    p.setString(IDCANCEL, 1047);
}

void fillSelectDevice(Page& p) {
    p.set(1038, p.text(1013) + L" " + kPackageVersion);
    p.heading(1038, false);
    p.listColumns(1004, 1050, 1051);
    p.listRow(1004, 0, kNetworkLabel, kDeviceVersion);
    p.listRow(1004, 1, kUsbLabel, p.text(1065));
    p.setString(1039, 1069);
    p.setString(IDOK, 1048);
    p.setString(1066, 1068);
    p.setString(1067, 1049);
}

void fillIpEntry(Page& p) {
    p.setString(1038, 1014);
    p.heading(1038, true);
    p.setString(1039, 1015);
    SendDlgItemMessageW(p.dialog(), 1002, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 1, 20));
    p.setString(IDOK, 1053);
    p.setString(IDCANCEL, 1052);
}

void fillProgress(Page& p) {
    p.setString(1038, 1016);
    p.heading(1038, true);
    p.set(1039, p.text(1017) + L" " + kUsbLabel);
    p.setString(1040, 1043);
    SendDlgItemMessageW(p.dialog(), 1003, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageW(p.dialog(), 1003, PBM_SETPOS, 40, 0);
}

void fillSummary(Page& p) {
    p.setString(1038, 1020);
    p.heading(1038, true);
    p.setString(1041, 1021);
    p.setString(1042, 1022);
    p.listColumns(1004, 1056, 1057);
    p.listRow(1004, 0, kUsbLabel, p.text(1063));
    p.listRow(1004, 1, L"192.168.1.20", p.text(1064));
    p.setString(IDOK, 1054);
    p.setString(IDCANCEL, 1055);
}

void fillResult(Page& p) {
    p.setString(1038, 1018);
    p.heading(1038, true);
    p.set(1039, kUsbLabel);
    p.setString(1040, 1019);
    p.setString(IDOK, 1058);
}

// Kind 2: no printer at the entered address; one button.
void fillErrorNotFound(Page& p) {
    p.setString(1039, 1025);
    p.heading(1039, true);
    p.setString(1038, 1026);
    p.setString(IDOK, 1059);
    p.hide(1066);
}

// Kind 11: the printer did not answer; the composed body and a retry button.
void fillErrorNoAnswer(Page& p) {
    p.setString(1039, 1074);
    p.heading(1039, true);
    p.set(1038, composedErrorBody(p));
    p.setString(IDOK, 1060);
    p.setString(1066, 1054);
}

void fillSpr(Page& p) {
    p.setString(1039, 1034);
    p.heading(1039, false);
    p.setString(1038, 1035);
    p.setString(IDOK, 1061);
    p.setString(IDCANCEL, 1060);
}

void fillRevision(Page& p) {
    p.setString(1038, 1036);
    p.heading(1038, true);
    std::wstring deviceLine = p.text(1070) + L" " + kDeviceVersion;
    p.set(1039, deviceLine);
    p.set(1040, p.text(1071) + L" " + kPackageVersion);
    size_t underscore = deviceLine.find(L'_');
    wchar_t letter = underscore != std::wstring::npos && underscore + 1 < deviceLine.size()
                         ? deviceLine[underscore + 1]
                     : deviceLine.empty() ? L' '
                                          : deviceLine[0];
    p.set(1041, p.text(1072) + L" " + letter);
    p.setString(1042, 1073);
    p.setString(IDOK, 1062);
}

struct Shot {
    WORD templateNumber;
    const wchar_t* name;
    void (*fill)(Page&);
};

const Shot kShots[] = {
    {102, L"102-welcome", fillWelcome},
    {129, L"129-licence", fillLicence},
    {130, L"130-select-device", fillSelectDevice},
    {131, L"131-ip-entry", fillIpEntry},
    {132, L"132-progress", fillProgress},
    {133, L"133-summary", fillSummary},
    {134, L"134-result", fillResult},
    {135, L"135-error-not-found", fillErrorNotFound},
    {135, L"135-error-no-answer", fillErrorNoAnswer},
    {136, L"136-firmware-letter", fillSpr},
    {137, L"137-revision", fillRevision},
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
