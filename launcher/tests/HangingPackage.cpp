// A package program that never ends: it holds "held.txt" in its folder open
// without sharing, as an extractor in the middle of a file does, and sleeps.
#include "WindowsSupport.h"

int main() {
    HANDLE held = ::CreateFileW(L"held.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 1;
    ::Sleep(INFINITE);
    return 0;
}
