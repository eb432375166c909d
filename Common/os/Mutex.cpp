#include "Mutex.h"

#include "SecurityEveryone.h"
#include "Win32Exception.h"

#include <memory>

namespace {
const wchar_t* const kSource = L".\\Common\\Mutex";
}

Mutex::Mutex(Ownership ownership, const std::wstring& name, Access access)
    : name_(name), count_(0), owner_(0) {
    const bool initiallyOwned = ownership == Ownership::InitiallyOwned;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    std::unique_ptr<SecurityEveryone> security;
    if (access == Access::Everyone) {
        security.reset(new SecurityEveryone(false));
        attributes = security->getSecurityAttributes();
    }
    handle_.reset(createMutex(attributes, initiallyOwned, name_));
    if (initiallyOwned) {
        count_ = 1;
        owner_ = GetCurrentThreadId();
    }
}

Mutex::~Mutex() {}

HANDLE Mutex::createMutex(SECURITY_ATTRIBUTES* attributes, bool initiallyOwned,
                          const std::wstring& name) {
    HANDLE h = CreateMutexW(attributes, initiallyOwned ? TRUE : FALSE,
                            name.empty() ? nullptr : name.c_str());
    if (!h)
        throw Win32Exception(L"Mutex::createMutex() CreateMutex failed",
                             static_cast<int32_t>(GetLastError()), kSource, __LINE__);
    return h;
}

bool Mutex::acquire(uint32_t ms) {
    if (ms == 0)
        return false;
    DWORD result = WaitForSingleObject(handle_.get(), ms);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
        // The holds of a thread that ended while holding it died with it;
        // counting them here would make release() fail on the extra ones.
        uint32_t self = GetCurrentThreadId();
        count_ = (result == WAIT_OBJECT_0 && owner_ == self) ? count_ + 1 : 1;
        owner_ = self;
        return true;
    }
    if (result == WAIT_TIMEOUT)
        return false;
    throw Win32Exception(L"Mutex::acquire() WaitForSingleObject failed",
                         static_cast<int32_t>(GetLastError()), kSource, __LINE__);
}

void Mutex::release() {
    if (owner_ != GetCurrentThreadId())
        return;
    // Clear the bookkeeping while still holding the mutex: once the last
    // system release is done another thread may take it and set its own
    // count, which this thread must not touch any more.
    int32_t holds = count_;
    count_ = 0;
    owner_ = 0;
    for (; holds > 0; --holds) {
        if (!ReleaseMutex(handle_.get()))
            throw Win32Exception(L"Mutex::release() ReleaseMutex failed",
                                 static_cast<int32_t>(GetLastError()), kSource, __LINE__);
    }
}
