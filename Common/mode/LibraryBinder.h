// One of our libraries bound through its exported factory: loaded by full
// path on first use, its factory looked up and called, and every failure
// reported the same way (a message on the caller's trace scope, result 7).
#pragma once

#include "MethodTrace.h"
#include "ScopedHandle.h"

#include <cstdint>
#include <string>

class LibraryBinder {
public:
    enum { BindFailed = 7 };

    // fileName: the library's file name; factoryName: its export; objectName:
    // what the factory makes, as the failure message names it.
    LibraryBinder(const wchar_t* fileName, const char* factoryName, const wchar_t* objectName);
    ~LibraryBinder();
    LibraryBinder(const LibraryBinder&) = delete;
    LibraryBinder& operator=(const LibraryBinder&) = delete;

    // Loads the library from folder (ending with a backslash) unless it is
    // loaded already, and calls its factory with args. On any failure, an
    // exception from the factory included, writes why on trace, sets rc to 7
    // and returns null; rc is left alone on success.
    template <class Object, class... Args>
    Object* make(MethodTrace& trace, const std::wstring& folder, int32_t& rc, Args... args) {
        typedef Object* (*Factory)(Args...);
        Factory factory = reinterpret_cast<Factory>(findFactory(trace, folder));
        Object* object = nullptr;
        if (factory) {
            try {
                object = factory(args...);
            } catch (...) {
                object = nullptr;
            }
            if (!object)
                factoryFailed(trace);
        }
        if (!object)
            rc = BindFailed;
        return object;
    }

    // The same for a factory's caller whose result may be null: a result
    // given is set to 0 first, then as above.
    template <class Object, class... Args>
    Object* make(MethodTrace& trace, const std::wstring& folder, int32_t* rc, Args... args) {
        int32_t ignored = 0;
        int32_t& result = rc ? *rc : ignored;
        result = 0;
        return make<Object>(trace, folder, result, args...);
    }

    // Frees the library; a later make loads it again. False when it was not
    // loaded or could not be freed.
    bool release();
    bool loaded() const { return library_.valid(); }

private:
    typedef void (*AnyFunction)();
    AnyFunction findFactory(MethodTrace& trace, const std::wstring& folder);
    void factoryFailed(MethodTrace& trace);

    const wchar_t* fileName_;
    const char* factoryName_;
    const wchar_t* objectName_;
    ScopedLibrary library_;
};
