// The engine's sense of time, behind a seam so that tests can run a whole
// flash sequence on a fake clock in milliseconds.
#pragma once

#include <cstdint>

class EngineClock {
public:
    virtual ~EngineClock() {}
    // Whole seconds on a clock that only moves forward, at the pace of real
    // time; only differences between readings mean anything.
    virtual int64_t now() = 0;
    virtual void sleepMs(uint32_t milliseconds) = 0;

    // The system's tick counter and Sleep().
    static EngineClock& system();
};
