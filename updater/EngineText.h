// Small text helpers of the engine: no OS calls, so they are tested directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace EngineText {

// Leading decimal integer in the manner of the C runtime: blanks, an optional
// sign, digits; anything else gives 0. Saturates instead of overflowing.
int32_t leadingInt(const std::wstring& text);

// Two upper-case hexadecimal digits per byte ("%02X").
std::wstring hexText(const unsigned char* bytes, uint32_t length);

// Bytes up to the first zero byte (or the end), widened one to one.
std::wstring widenUntilZero(const unsigned char* bytes, uint32_t length);

// Splits at the given separator, keeping empty pieces; "" gives no piece.
std::vector<std::wstring> splitKeepEmpty(const std::wstring& text, wchar_t separator);

// The text before the first occurrence of separator (all of it without one).
std::wstring before(const std::wstring& text, wchar_t separator);

} // namespace EngineText
