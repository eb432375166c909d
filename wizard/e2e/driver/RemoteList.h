// A list view of another process, read and clicked from outside. Its messages
// that carry pointers need the records in the other process's memory.
#pragma once

#include "WindowsSupport.h"

#include <string>

class RemoteList {
public:
    RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {}

    int rowCount() const;
    // False when the cell cannot be read.
    bool cellText(int row, int column, std::wstring& text) const;
    bool isSelected(int row) const;
    // The row a click last landed on, or -1.
    int selectionMark() const;
    // The row's label rectangle in screen coordinates.
    bool rowRect(int row, RECT& screen) const;

private:
    HANDLE process_;
    HWND list_;
};
