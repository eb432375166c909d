// RAII ownership of OS handles. One traits type per kind of handle says what
// "empty" is and how to close it.
#pragma once

#include "WindowsSupport.h"

template <class Traits> class ScopedHandle {
public:
    using handle_type = typename Traits::handle_type;

    ScopedHandle() : handle_(Traits::invalid()) {}
    explicit ScopedHandle(handle_type h) : handle_(h) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    handle_type get() const { return handle_; }
    bool valid() const { return handle_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    handle_type release() {
        handle_type h = handle_;
        handle_ = Traits::invalid();
        return h;
    }

    // Closes the current handle (if any) and takes ownership of h.
    // Returns false when closing the old handle failed.
    bool reset(handle_type h = Traits::invalid()) {
        bool ok = true;
        if (valid())
            ok = Traits::close(handle_);
        handle_ = h;
        return ok;
    }

private:
    handle_type handle_;
};

// Most kinds of handle are empty when null; each says how it is closed.
template <class Handle> struct NullIsEmpty {
    using handle_type = Handle;
    static handle_type invalid() { return nullptr; }
};

// Kernel objects (mutex, process, thread, event).
struct KernelHandleTraits : NullIsEmpty<HANDLE> {
    static bool close(handle_type h) { return ::CloseHandle(h) != FALSE; }
};

// Files: INVALID_HANDLE_VALUE means empty.
struct FileHandleTraits : KernelHandleTraits {
    static handle_type invalid() { return INVALID_HANDLE_VALUE; }
};

struct FindHandleTraits : FileHandleTraits {
    static bool close(handle_type h) { return ::FindClose(h) != FALSE; }
};

struct RegKeyTraits : NullIsEmpty<HKEY> {
    static bool close(handle_type h) { return ::RegCloseKey(h) == ERROR_SUCCESS; }
};

struct LibraryTraits : NullIsEmpty<HMODULE> {
    static bool close(handle_type h) { return ::FreeLibrary(h) != FALSE; }
};

// GDI objects (brush, bitmap, font, ...). Deleting one that is still selected
// into a device context fails; the owner deselects first.
template <class Handle> struct GdiObjectTraits : NullIsEmpty<Handle> {
    static bool close(Handle h) { return ::DeleteObject(h) != FALSE; }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;
using ScopedLibrary = ScopedHandle<LibraryTraits>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;

// Looks up an export and casts it to the wanted function type through a plain
// function-pointer type, which keeps -Wcast-function-type quiet.
template <class Fn> Fn getProcAddressAs(HMODULE module, const char* name) {
    FARPROC p = ::GetProcAddress(module, name);
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(p));
}
