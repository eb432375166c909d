// A named system mutex that remembers which thread holds it and how often.
// Objects of the same name, in one process or several, exclude each other.
#pragma once

#include "ScopedHandle.h"

#include <atomic>
#include <cstdint>
#include <string>

class Mutex {
public:
    // Whether the creating thread holds the mutex at once.
    enum class Ownership { NotOwned, InitiallyOwned };
    // Everyone lets a process of another user open the same name.
    enum class Access { Default, Everyone };

    // Throws Win32Exception when the mutex cannot be created or opened.
    Mutex(Ownership ownership, const std::wstring& name, Access access);
    // Closes the handle; a hold still open is given up by the system.
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // ms 0 answers false at once; INFINITE waits forever. True when taken
    // (also when abandoned by a thread that ended while holding it).
    bool acquire(uint32_t ms);
    // Gives up all holds of the calling thread; other threads: nothing.
    void release();

    const std::wstring& getName() const { return name_; }
    HANDLE getHandle() const { return handle_.get(); }

    static HANDLE createMutex(SECURITY_ATTRIBUTES* attributes, bool initiallyOwned,
                              const std::wstring& name);

private:
    ScopedKernelHandle handle_;
    std::wstring name_;
    int32_t count_; // touched only by the holding thread
    std::atomic<uint32_t> owner_;
};
