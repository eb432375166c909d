#include "EngineClock.h"

#include "WindowsSupport.h"

namespace {

// Deadlines are counted on the tick counter, not the calendar: a clock that
// is set forward or back while a printer resets (time sync, a user, a time
// zone change) must neither end the wait early nor stretch it.
class SystemClock : public EngineClock {
public:
    int64_t now() override { return static_cast<int64_t>(::GetTickCount64() / 1000); }
    void sleepMs(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

} // namespace

EngineClock& EngineClock::system() {
    static SystemClock clock;
    return clock;
}
