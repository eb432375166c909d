#include "ProgressValue.h"

#include <atomic>

namespace {
std::atomic<int32_t> g_progress(0);
std::atomic<ProgressEndedHook> g_endedHook(nullptr);
} // namespace

int32_t progressValue() {
    return g_progress.load();
}

// The value is stored before the hook is read: a page that installs its hook
// and then reads the value either sees 100 itself or is told.
void setProgressValue(int32_t percent) {
    g_progress.store(percent);
    if (percent < 100)
        return;
    if (ProgressEndedHook hook = g_endedHook.load())
        hook();
}

void setProgressEndedHook(ProgressEndedHook hook) {
    g_endedHook.store(hook);
}
