#include "EngineClock.h"

#include "WindowsSupport.h"

#include <ctime>

namespace {

class SystemClock : public EngineClock {
public:
    int64_t now() override { return static_cast<int64_t>(std::time(nullptr)); }
    void sleepMs(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

} // namespace

EngineClock& EngineClock::system() {
    static SystemClock clock;
    return clock;
}
