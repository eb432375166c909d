#pragma once

#include <atomic>

class BasicLogger;

// The logger of this module and whether logging was switched off in it. Per
// module: the static library is linked into each module separately.
extern std::atomic<BasicLogger*> g_loggerInstance;
extern std::atomic<bool> g_loggingDisabled;
