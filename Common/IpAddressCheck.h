// Whether a text typed as a printer address is a usable IPv4 address.
#pragma once

#include <string>

// 1: a dotted IPv4 address (other than 0.0.0.0 and 255.255.255.255), possibly
// after an "http://" or "https://" prefix; 2: a prefix followed by something
// else; 0: no prefix and not an address.
int checkIpAddress(const std::wstring& text);
