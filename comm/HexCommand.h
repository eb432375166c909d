// Command texts are hexadecimal digit pairs; the printer gets the bytes they spell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// False (and out emptied) for a null or empty text, an odd number of digits
// or any character that is not a hexadecimal digit: such a command is never
// sent, since a guess at the intended bytes could reach the printer's flash.
bool parseHexCommand(const wchar_t* text, std::vector<uint8_t>& out);

// Upper-case digit pairs, for log lines.
std::wstring toHexText(const uint8_t* data, size_t size);
