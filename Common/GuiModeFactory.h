// The one thing the launcher needs from the wizard: a factory for its update
// mode. The wizard's library defines it; until the wizard exists, the
// placeholder in placeholder/ does.
#pragma once

#include <cstdint>

class IUpdateMode;

// A new wizard update mode told its application mode (1 or 3).
IUpdateMode* makeGuiMode(int32_t appMode);
