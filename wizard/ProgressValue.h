// The one progress value of the process (0 to 100): the update worker
// writes it, the Progress page reads it once a second.
#pragma once

#include <cstdint>

int32_t progressValue();
void setProgressValue(int32_t percent);

// Called by setProgressValue, on the setting thread, each time the value it
// stores is 100 or more: the update has ended, and the page that shows it
// need not wait for its next look to close. Null: nobody is told.
using ProgressEndedHook = void (*)();
void setProgressEndedHook(ProgressEndedHook hook);
