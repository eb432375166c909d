// Windows paths as the native build's file system takes them: the programs
// and their tests build paths with backslashes, which here are folder
// separators too.
#pragma once

#include <string>

inline std::string nativePath(const std::wstring& path) {
    std::string out;
    for (wchar_t c : path)
        out += c == L'\\' ? '/' : static_cast<char>(c <= 0xFF ? c : '?');
    return out;
}
