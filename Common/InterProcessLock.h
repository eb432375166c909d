// Holds a named Mutex for the lifetime of the scope (infinite wait).
#pragma once

class Mutex;

class InterProcessLock {
public:
    // Throws Win32Exception when the mutex has no name (a nameless mutex does
    // not lock across processes) or when the wait fails.
    explicit InterProcessLock(Mutex* mutex);
    ~InterProcessLock();
    InterProcessLock(const InterProcessLock&) = delete;
    InterProcessLock& operator=(const InterProcessLock&) = delete;

private:
    Mutex* mutex_;
};
