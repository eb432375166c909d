#include "ListView.h"

#include <commctrl.h>

void listAddColumn(HWND list, int index, const std::wstring& header, int width) {
    std::wstring textCopy = header;
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = &textCopy[0];
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&column));
}

void listAddTwoColumns(HWND list, const std::wstring& first, int firstWidth,
                       const std::wstring& second, int secondWidth) {
    RECT client{};
    ::GetClientRect(list, &client);
    const int rest = client.right - client.left - firstWidth - ::GetSystemMetrics(SM_CXVSCROLL);
    listAddColumn(list, 0, first, firstWidth);
    listAddColumn(list, 1, second, rest > secondWidth ? rest : secondWidth);
}

void listAddRow(HWND list, int row, const std::wstring& first, const std::wstring& second) {
    std::wstring firstCopy = first;
    std::wstring secondCopy = second;
    LVITEMW entry{};
    entry.mask = LVIF_TEXT;
    entry.iItem = row;
    entry.pszText = &firstCopy[0];
    const int at = static_cast<int>(
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry)));
    if (at < 0)
        return;
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = &secondCopy[0];
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
}

void listSelectRow(HWND list, int row, bool selected) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&state));
}
