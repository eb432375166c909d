// Wide to 8-bit text the way the runtime's "C" locale converts it: characters
// U+0000 to U+00FF become the byte of the same value.
#pragma once

#include <string>

// False (and out empty) when any character lies above U+00FF.
bool narrowLatin1(const wchar_t* text, size_t length, std::string& out);
bool narrowLatin1(const std::wstring& text, std::string& out);

// The same conversion for text that must go out whatever it holds (a log
// line): a character above U+00FF becomes '?', a surrogate pair one '?'.
void narrowLatin1Replacing(const std::wstring& text, std::string& out);

// UTF-16 (Windows) or UTF-32 (the native build) to UTF-8, for files other
// programs read as UTF-8. A lone surrogate becomes U+FFFD: one odd name is
// not worth a file that no reader takes.
std::string toUtf8(const std::wstring& text);
