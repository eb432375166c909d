// Drives a page shown on the test's main thread from a helper thread, the
// way a user would: it waits for the page's window, reads its controls and
// clicks, presses keys or uses the close box by posting messages to it.
#pragma once

#include "WindowsSupport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class WizardPage;

namespace driver {

// Shows the page modally and runs the script against it once it is up;
// returns the page's result. The script must end the page.
int32_t run(WizardPage& page, const std::function<void(HWND)>& script);

// The enabled, visible dialog of the given thread other than `except`
// (the page on top of a modal stack); waits up to 10 s, null if none.
HWND waitForDialog(DWORD thread, HWND except = nullptr);
// Waits until the window is gone (up to 10 s).
bool waitGone(HWND window);
// Polls the condition every 10 ms for up to 10 s.
bool waitFor(const std::function<bool()>& condition);

std::wstring text(HWND dialog, int control);
bool enabled(HWND dialog, int control);
bool visible(HWND dialog, int control);

void click(HWND dialog, int control);
void pressKey(HWND dialog, WPARAM key);
void closeBox(HWND dialog);

struct ListRow {
    std::wstring first;
    std::wstring second;
    bool selected;
};
std::vector<ListRow> listRows(HWND dialog, int control);
std::wstring listHeader(HWND dialog, int control, int column);
int listColumnWidth(HWND dialog, int control, int column);
// A left click on the row, as the list view answers it.
void clickRow(HWND dialog, int control, int row);

} // namespace driver
