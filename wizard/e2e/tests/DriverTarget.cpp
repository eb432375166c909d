// A stand-in program for the driver's own test: shows pages from a language
// library's templates, one after another, with a few texts, rows and a moving
// bar in them, and prints what each page ended with: 1 first button,
// 2 Escape, 3 button 1066, 5 the IP page's first button with the address
// 10.1.2.3, 8 the close box.
#include "WindowsSupport.h"

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void fillList(HWND list) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 150;
    column.pszText = const_cast<wchar_t*>(L"Name");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.pszText = const_cast<wchar_t*>(L"Version");
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int row = 0; row < 3; ++row) {
        std::wstring name = L"row " + std::to_wstring(row);
        std::wstring version = L"second column " + std::to_wstring(row);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = &name[0];
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = &version[0];
        SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    }
}

INT_PTR CALLBACK page(HWND dialog, UINT message, WPARAM w, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
            const int id = GetDlgCtrlID(item);
            if (id >= 1038 && id <= 1042)
                SetWindowTextW(item, (L"control " + std::to_wstring(id)).c_str());
        }
        if (HWND list = GetDlgItem(dialog, 1004))
            fillList(list);
        if (HWND bar = GetDlgItem(dialog, 1003)) {
            SendMessageW(bar, PBM_SETRANGE32, 0, 100);
            SetTimer(dialog, 1, 100, nullptr);
        }
        if (HWND button = GetDlgItem(dialog, 1067))
            EnableWindow(button, FALSE);
        return TRUE;
    case WM_TIMER:
        SendMessageW(GetDlgItem(dialog, 1003), PBM_DELTAPOS, 5, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case IDOK: {
            DWORD address = 0;
            HWND ip = GetDlgItem(dialog, 1002);
            const bool entered =
                ip && SendMessageW(ip, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) == 4;
            EndDialog(dialog, entered && address == MAKEIPADDRESS(10, 1, 2, 3) ? 5 : 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        case 1066:
            EndDialog(dialog, 3);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 8);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    if (argc < 3)
        return 255;
    HMODULE library = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library)
        return 254;
    for (int i = 2; i < argc; ++i) {
        const INT_PTR result =
            DialogBoxParamW(library, MAKEINTRESOURCEW(_wtoi(argv[i])), nullptr, page, 0);
        std::printf("page %ls: %d\n", argv[i], static_cast<int>(result));
        std::fflush(stdout);
    }
    return 0;
}
