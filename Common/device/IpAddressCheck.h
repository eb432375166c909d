// Whether a text typed as a printer address is a usable IPv4 address.
#pragma once

#include <cstdint>
#include <string>

// 1: a dotted IPv4 address (other than 0.0.0.0 and 255.255.255.255), possibly
// after an "http://" or "https://" prefix; 2: a prefix followed by something
// else; 0: no prefix and not an address.
int checkIpAddress(const std::wstring& text);

// The address of a text that checkIpAddress accepts (result 1), in host byte
// order; false for any other text. The one reading of an entered address:
// what the check accepts is exactly what the printer link asks.
bool parseIpAddress(const std::wstring& text, uint32_t& address);

// An address the user entered, without the blanks and tabs around it. The
// command line keeps them ("-d A, 192.168.0.5"), the system's own address
// check lets them through, and the caller later looks the record up by the
// trimmed entry.
std::wstring enteredAddress(const std::wstring& text);
