// An object as it leaves one of our libraries: it owns the object inside and
// lets no exception out of its end. Each override adds the same guard around
// its call inside.
#pragma once

#include "NoThrow.h"

template <class Interface> class ExceptionWall : public Interface {
public:
    // Takes ownership of inner.
    explicit ExceptionWall(Interface* inner) : inner_(inner) {}
    ~ExceptionWall() override {
        noThrow([&] { delete inner_; });
    }
    ExceptionWall(const ExceptionWall&) = delete;
    ExceptionWall& operator=(const ExceptionWall&) = delete;

protected:
    Interface* const inner_;
};
