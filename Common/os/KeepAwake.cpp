#include "KeepAwake.h"

#include "WindowsSupport.h"

// The state belongs to the thread that sets it, so each of a fleet's workers
// holds its own; the display is kept on for whoever watches the progress.
KeepAwake::KeepAwake() {
    ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
}

KeepAwake::~KeepAwake() {
    ::SetThreadExecutionState(ES_CONTINUOUS);
}
