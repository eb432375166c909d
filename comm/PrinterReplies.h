// Reading the two identification replies. Both functions look only at bytes
// inside the reply they are given, however short or malformed it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The version reply's tokens as the engine reads them (VersionReply.h).
// Empty when the header (A5 . . 50 E0 81 .) is not there.
std::vector<std::wstring> versionReplyTokens(const uint8_t* reply, size_t size);

// The model name: token 2 up to its first "_". False without a token 2.
bool modelFromVersionReply(const uint8_t* reply, size_t size, std::wstring& model);

// Vendor and product identifiers as four upper-case hexadecimal digits, from
// bytes 11-12 and 13-14. False when the reply is shorter than 15 bytes.
bool identifiersFromReply(const uint8_t* reply, size_t size, std::wstring& vid, std::wstring& pid);

// "%04X" of a 16-bit number.
std::wstring hex16(uint16_t value);
