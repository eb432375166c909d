// The system's dotted-address parser (every form it reads: fewer than four
// parts, octal and hexadecimal numbers), kept apart from the rules around it.
#pragma once

#include <cstdint>

// False when the parser refuses the text (it answers INADDR_NONE); otherwise
// the address in host byte order.
bool systemDottedAddress(const char* text, uint32_t& hostOrder);
