// Ownership of the GDI objects (ScopedHandle.h) and timers that the pages make.
#pragma once

#include "ScopedHandle.h"

// A window timer that stops when it goes out of scope (or on stop()).
class ScopedTimer {
public:
    ScopedTimer() : window_(nullptr), id_(0) {}
    ~ScopedTimer() { stop(); }
    ScopedTimer(const ScopedTimer&) = delete;
    ScopedTimer& operator=(const ScopedTimer&) = delete;

    bool start(HWND window, UINT_PTR id, UINT milliseconds) {
        stop();
        if (!::SetTimer(window, id, milliseconds, nullptr))
            return false;
        window_ = window;
        id_ = id;
        return true;
    }
    void stop() {
        if (window_)
            ::KillTimer(window_, id_);
        window_ = nullptr;
    }
    bool running() const { return window_ != nullptr; }

private:
    HWND window_;
    UINT_PTR id_;
};
