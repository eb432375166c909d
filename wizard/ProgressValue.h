// The one progress value of the process (0 to 100): the update worker
// writes it, the Progress page reads it once a second.
#pragma once

#include <cstdint>

int32_t progressValue();
void setProgressValue(int32_t percent);
