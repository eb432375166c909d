#include "RemoteList.h"

#include <commctrl.h>

#include <vector>

namespace {

// Memory in another process for the length of one message.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool valid() const { return address_ != nullptr; }
    bool write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
    }
    bool read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
    }

private:
    HANDLE process_;
    void* address_;
};

const DWORD kTimeoutMs = 5000;

bool send(HWND window, UINT message, WPARAM w, LPARAM l, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, kTimeoutMs, &answer))
        return false;
    result = static_cast<LRESULT>(answer);
    return true;
}

} // namespace

int RemoteList::rowCount() const {
    LRESULT count = 0;
    return send(list_, LVM_GETITEMCOUNT, 0, 0, count) ? static_cast<int>(count) : -1;
}

int RemoteList::selectionMark() const {
    LRESULT mark = -1;
    return send(list_, LVM_GETSELECTIONMARK, 0, 0, mark) ? static_cast<int>(mark) : -1;
}

bool RemoteList::cellText(int row, int column, std::wstring& text) const {
    const int chars = 512;
    RemoteBuffer buffer(process_, sizeof(LVITEMW) + chars * sizeof(wchar_t));
    if (!buffer.valid())
        return false;
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(buffer.at(sizeof(LVITEMW)));
    item.cchTextMax = chars;
    LRESULT length = 0;
    if (!buffer.write(0, &item, sizeof item) ||
        !send(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(buffer.at(0)), length))
        return false;
    std::vector<wchar_t> chars_read(chars, L'\0');
    if (!buffer.read(sizeof(LVITEMW), chars_read.data(), chars * sizeof(wchar_t)))
        return false;
    text.assign(chars_read.data(), static_cast<size_t>(length));
    return true;
}

bool RemoteList::isSelected(int row) const {
    LRESULT state = 0;
    return send(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED, state) && (state & LVIS_SELECTED) != 0;
}

bool RemoteList::rowRect(int row, RECT& screen) const {
    RemoteBuffer buffer(process_, sizeof(RECT));
    RECT rect = {};
    rect.left = LVIR_LABEL;
    LRESULT ok = 0;
    if (!buffer.valid() || !buffer.write(0, &rect, sizeof rect) ||
        !send(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(buffer.at(0)), ok) || !ok ||
        !buffer.read(0, &rect, sizeof rect))
        return false;
    MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    screen = rect;
    return true;
}
