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
// what the check accepts is exactly what the printer link asks. Four decimal
// parts are read as decimal, leading zeros or not: the system's parser would
// take "010" as octal (eight) and reach another printer than the one whose
// panel shows "192.168.001.010". Other forms go to the system's parser.
bool parseIpAddress(const std::wstring& text, uint32_t& address);

// Strict dotted IPv4 ("a.b.c.d", each 0-255 in one to three decimal digits,
// no blanks), as the spooler writes its ports and a printer's panel shows its
// address ("192.168.001.010"); the address in host byte order. Names are not
// resolved: a lookup could wait on a name server without bound.
bool parseDottedIPv4(const std::wstring& text, uint32_t& address);

// "a.b.c.d" in plain decimal, for an address in host byte order.
std::wstring dottedText(uint32_t address);

// An address the user entered, without the blanks and tabs around it. The
// command line keeps them ("-d A, 192.168.0.5"), the system's own address
// check lets them through, and the caller later looks the record up by the
// trimmed entry.
std::wstring enteredAddress(const std::wstring& text);
