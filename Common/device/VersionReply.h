// Reading the printer's replies to the version and identifier queries, for
// the engine and the communication library alike. The reply bytes belong to
// the communication object; nothing here reads past the length it reported.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VersionReply {

// Bytes 0 to 6 of an A5 reply: A5, count, 50, command code, status.
const uint32_t HeaderLength = 7;
const size_t AioToken = 2;
const size_t PanelToken = 5;
const size_t PanelTailToken = 6;
// A flash scan reply must be longer than this to hold a version.
const uint32_t FlashScanMinimum = 9;
// The identifier reply carries the vendor at 11-12 and the product at 13-14.
const uint32_t IdentifierLength = 15;

// True when the reply is at least a header long and bytes 0, 3, 4, 5 read
// A5 .. .. 50 E0 81.
bool headerMatches(const unsigned char* reply, uint32_t length);

// The text of a version reply split at blanks, line feeds and carriage
// returns. The seven header bytes always belong to the first token: the
// length and status bytes, and any header byte that would end the text or
// split the header, count as 0x10.
std::vector<std::wstring> tokenize(const unsigned char* reply, uint32_t length);

// Everything up to and including the second character after the last "_"
// (two characters when there is no "_").
std::wstring aioValue(const std::wstring& token);

// The operator panel value from tokens 5 and 6. False when the reply does not
// carry the tokens it needs. dotted is set for the "xx.nnnnnn" form, which is
// joined with its tail and is not logged.
bool panelValue(const std::vector<std::wstring>& tokens, std::wstring& value, bool& dotted);

// Vendor and product identifiers as four upper-case hex digits; false when
// the reply is too short to hold them.
bool identifiers(const unsigned char* reply, uint32_t length, std::wstring& vendor,
                 std::wstring& product);

} // namespace VersionReply
