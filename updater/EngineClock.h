// The engine's sense of time, behind a seam so that tests can run a whole
// flash sequence on a fake clock in milliseconds.
#pragma once

#include <cstdint>

class EngineClock {
public:
    virtual ~EngineClock() {}
    // Wall-clock time in whole seconds.
    virtual int64_t now() = 0;
    virtual void sleepMs(uint32_t milliseconds) = 0;

    // time() and Sleep().
    static EngineClock& system();
};
