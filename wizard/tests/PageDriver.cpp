#include "PageDriver.h"

#include "WizardPage.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <thread>

namespace driver {

namespace {

struct Search {
    HWND except;
    HWND found;
};

BOOL CALLBACK pickDialog(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (window != search->except && std::wstring(name) == L"#32770" && ::IsWindowVisible(window) &&
        ::IsWindowEnabled(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition())
            return true;
        ::Sleep(10);
    }
    return condition();
}

HWND waitForDialog(DWORD thread, HWND except) {
    Search search{except, nullptr};
    waitFor([&] {
        search.found = nullptr;
        ::EnumThreadWindows(thread, &pickDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

bool waitGone(HWND window) {
    return waitFor([&] { return !::IsWindow(window); });
}

int32_t run(WizardPage& page, const std::function<void(HWND)>& script) {
    const DWORD self = ::GetCurrentThreadId();
    std::thread helper([&] {
        HWND dialog = waitForDialog(self);
        if (!dialog)
            return;
        script(dialog);
        // A script that failed half-way may leave the page open; end it so
        // that the next test can run.
        if (waitGone(dialog))
            return;
        ADD_FAILURE() << "the page was left open";
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (!waitFor([&] { return !::IsWindow(dialog); }))
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    const int32_t result = page.runModal();
    helper.join();
    return result;
}

std::wstring text(HWND dialog, int control) {
    HWND item = control ? ::GetDlgItem(dialog, control) : dialog;
    wchar_t buffer[4096] = {};
    const LRESULT length = ::SendMessageW(item, WM_GETTEXTLENGTH, 0, 0);
    if (length >= 4096) {
        std::wstring big(static_cast<size_t>(length) + 1, L'\0');
        ::SendMessageW(item, WM_GETTEXT, big.size(), reinterpret_cast<LPARAM>(&big[0]));
        big.resize(static_cast<size_t>(length));
        return big;
    }
    ::SendMessageW(item, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

bool enabled(HWND dialog, int control) {
    return ::IsWindowEnabled(::GetDlgItem(dialog, control)) != FALSE;
}

bool visible(HWND dialog, int control) {
    return ::IsWindowVisible(::GetDlgItem(dialog, control)) != FALSE;
}

void click(HWND dialog, int control) {
    ::PostMessageW(::GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

void pressKey(HWND dialog, WPARAM key) {
    ::PostMessageW(dialog, WM_KEYDOWN, key, 1);
    ::PostMessageW(dialog, WM_KEYUP, key, 0xC0000001);
}

void closeBox(HWND dialog) {
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::vector<ListRow> listRows(HWND dialog, int control) {
    HWND list = ::GetDlgItem(dialog, control);
    std::vector<ListRow> rows;
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        ListRow row;
        for (int column = 0; column < 2; ++column) {
            wchar_t buffer[512] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = buffer;
            item.cchTextMax = 512;
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&item));
            (column == 0 ? row.first : row.second) = buffer;
        }
        row.selected =
            ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) != 0;
        rows.push_back(row);
    }
    return rows;
}

std::wstring listHeader(HWND dialog, int control, int column) {
    wchar_t buffer[256] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = buffer;
    info.cchTextMax = 256;
    ::SendMessageW(::GetDlgItem(dialog, control), LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&info));
    return buffer;
}

int listColumnWidth(HWND dialog, int control, int column) {
    return static_cast<int>(::SendMessageW(::GetDlgItem(dialog, control), LVM_GETCOLUMNWIDTH,
                                           static_cast<WPARAM>(column), 0));
}

void clickRow(HWND dialog, int control, int row) {
    // What the list view does for a plain left click on a row: the row alone
    // is selected and focused, it becomes the selection mark, and the page
    // hears NM_CLICK. (Wine's list view does not finish a click made of
    // posted mouse messages.)
    HWND list = ::GetDlgItem(dialog, control);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&state));
    ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(control);
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    ::SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(control),
                   reinterpret_cast<LPARAM>(&click));
}

} // namespace driver
