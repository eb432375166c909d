#include "InterProcessLock.h"

#include "Mutex.h"
#include "Win32Exception.h"

InterProcessLock::InterProcessLock(Mutex* mutex) : InterProcessLock(mutex, INFINITE) {}

InterProcessLock::InterProcessLock(Mutex* mutex, uint32_t ms) : mutex_(mutex), held_(false) {
    if (!mutex_ || mutex_->getName().empty())
        throw Win32Exception(L"InterProcessLock has no name", 0, L".\\Common\\InterProcessLock",
                             __LINE__);
    held_ = mutex_->acquire(ms);
}

InterProcessLock::~InterProcessLock() {
    if (!held_)
        return;
    // A destructor must not throw; a failed release leaves the hold to the
    // system, which gives it up when the thread ends.
    try {
        mutex_->release();
    } catch (...) {
    }
}
