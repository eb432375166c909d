// Holds a named Mutex for the lifetime of the scope.
#pragma once

#include <cstdint>

class Mutex;

class InterProcessLock {
public:
    // Waits without limit. Throws Win32Exception when the mutex has no name
    // (a nameless mutex does not lock across processes) or when the wait fails.
    explicit InterProcessLock(Mutex* mutex);
    // Waits at most ms milliseconds; held() tells whether the mutex was taken.
    InterProcessLock(Mutex* mutex, uint32_t ms);
    ~InterProcessLock();
    InterProcessLock(const InterProcessLock&) = delete;
    InterProcessLock& operator=(const InterProcessLock&) = delete;

    bool held() const { return held_; }

private:
    Mutex* mutex_;
    bool held_;
};
