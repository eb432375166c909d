// The commands the engine and the communication library send to a printer,
// as the hexadecimal text whose bytes go on the wire (docs/protocol.md).
// Commands that start with A5 are framed: A5, a 16-bit count, then that many
// bytes; the printer frames its reply the same way.
#pragma once

// Firmware versions: the AIO and operator-panel parts.
inline constexpr wchar_t VersionQueryCommand[] = L"A5000750E08100020510";
// Whether the printer is idle; any reply at all means it is.
inline constexpr wchar_t StatusQueryCommand[] = L"A5000750E08100020011";
// Vendor and product identifiers.
inline constexpr wchar_t IdentifierQueryCommand[] = L"A5000750E08100020013";
// The flash-scan part's version, unframed; a printer that is not yet set up
// for the read answers it once the two set-up commands below were sent.
inline constexpr wchar_t FlashScanQueryCommand[] = L"1B2A730108";
inline constexpr wchar_t FlashScanSetupCommand1[] = L"A5000D50E082020300030000FFF00101";
inline constexpr wchar_t FlashScanSetupCommand2[] = L"A5000550E0820202";
