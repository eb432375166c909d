// What the pages show, decided without any window: device labels, the Error
// page's texts by kind, the Summary outcome and the Revision page's letter.
#pragma once

#include <cstdint>
#include <string>

class KIVDevice;

// A printer as the pages name it: the port for USB, the address for one
// found at an address, the name and address for one behind a spooler port
// (two of one model are told apart), else the name.
std::wstring deviceLabel(const KIVDevice& device);

struct ErrorTexts {
    bool known; // false: the page ends with 1 as soon as it is shown
    uint32_t heading;
    uint32_t body; // 0: the body is composed (composeErrorBody)
    uint32_t button;
    bool retryButton; // the Error page's Retry button shown
};
ErrorTexts errorTexts(int32_t kind);

// The label, a blank line and the four numbered steps, one per line.
std::wstring composeErrorBody(const std::wstring& label, const std::wstring steps[4]);

// String number of the Summary page's outcome for an update status.
uint32_t outcomeString(int32_t updateStatus);

// The firmware letter of a version: the character after its first "_", or
// its first character when it has none; empty for an empty version.
std::wstring revisionLetter(const std::wstring& version);
