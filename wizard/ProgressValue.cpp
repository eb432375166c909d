#include "ProgressValue.h"

#include <atomic>

namespace {
std::atomic<int32_t> g_progress(0);
}

int32_t progressValue() {
    return g_progress.load();
}

void setProgressValue(int32_t percent) {
    g_progress.store(percent);
}
