// The one thing the launcher needs from the wizard: a factory for its update
// mode. The wizard's library defines it, so the launcher links the wizard and
// the wizard needs nothing of the launcher.
#pragma once

#include <cstdint>

class IUpdateMode;

// A new wizard update mode told its application mode (1 or 3).
IUpdateMode* makeGuiMode(int32_t appMode);
