// A flag that each calling thread sees on its own. The engine's comparison
// leaves a flag that its flash sequence reads right after, on the same
// thread; several threads may flash different printers through one engine,
// and one thread's comparison must not change what another reads.
#pragma once

#include <map>
#include <mutex>
#include <thread>

class PerThreadFlag {
public:
    PerThreadFlag() {}
    PerThreadFlag(const PerThreadFlag&) = delete;
    PerThreadFlag& operator=(const PerThreadFlag&) = delete;

    // Unset for a thread that never set it.
    PerThreadFlag& operator=(bool value);
    operator bool() const;
    // Forgets the calling thread's value, so that threads that come and go
    // (a pool per run) leave nothing behind.
    void forget();

private:
    mutable std::mutex lock_;
    std::map<std::thread::id, bool> values_;
};
