// The edge of a library: nothing thrown inside may leave it. Every module
// links its own static copy of the C++ runtime, and an exception cannot be
// unwound from one such module into another: the process would end instead.
#pragma once

// Runs body and returns its result, or fallback when it throws.
template <class Result, class Body> Result noThrow(Result fallback, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

// Runs body and ignores anything it throws.
template <class Body> void noThrow(Body body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// Runs body, which makes an object into *out; when it throws, *out (if out
// is given) is null, so the caller never sees a half-made one.
template <class Object, class Body> void noThrowMake(Object** out, Body body) noexcept {
    try {
        body();
    } catch (...) {
        if (out)
            *out = nullptr;
    }
}
