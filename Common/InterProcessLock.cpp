#include "InterProcessLock.h"

#include "Mutex.h"
#include "Win32Exception.h"

InterProcessLock::InterProcessLock(Mutex* mutex) : mutex_(mutex) {
    if (!mutex_ || mutex_->getName().empty())
        throw Win32Exception(L"InterProcessLock has no name", 0, L".\\Common\\InterProcessLock",
                             __LINE__);
    mutex_->acquire(INFINITE);
}

InterProcessLock::~InterProcessLock() {
    // A destructor must not throw; a failed release leaves the hold to the
    // system, which gives it up when the thread ends.
    try {
        mutex_->release();
    } catch (...) {
    }
}
