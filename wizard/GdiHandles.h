// Ownership of the GDI objects and timers that the pages make.
#pragma once

#include "ScopedHandle.h"

template <class T> struct GdiObjectTraits {
    using handle_type = T;
    static handle_type invalid() { return nullptr; }
    static bool close(handle_type h) { return ::DeleteObject(h) != FALSE; }
};

using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;

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
