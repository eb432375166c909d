// The system's message text for an error code, in US English.
#pragma once

#include <cstdint>
#include <string>

// Line breaks are removed. When the system has no text for the code (or no
// English texts at all) the result is "Error getting message:" followed by the
// lookup's own error number.
std::wstring getErrorText(uint32_t code);
