#include "LibraryBinder.h"

#include "LibraryLoader.h"

namespace {

// Export names are plain ASCII.
std::wstring widenAscii(const char* text) {
    std::wstring wide;
    for (; *text; ++text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

} // namespace

LibraryBinder::LibraryBinder(const wchar_t* fileName, const char* factoryName,
                             const wchar_t* objectName)
    : fileName_(fileName), factoryName_(factoryName), objectName_(objectName) {}

LibraryBinder::~LibraryBinder() {
    // Binders are static objects: this runs while the process or our module
    // unloads, under the loader lock, where freeing a library is not allowed.
    // The system unloads what is left.
    library_.release();
}

LibraryBinder::AnyFunction LibraryBinder::findFactory(MethodTrace& trace,
                                                      const std::wstring& folder) {
    if (!library_) {
        library_.reset(loadLibraryInFolder(folder, fileName_));
        if (!library_) {
            trace.message(L"LoadLibrary() failed on path= ", folder + fileName_);
            return nullptr;
        }
    }
    AnyFunction factory = getProcAddressAs<AnyFunction>(library_.get(), factoryName_);
    if (!factory)
        trace.message(L"GetProcAddress() failed to find ", widenAscii(factoryName_), L" function");
    return factory;
}

void LibraryBinder::factoryFailed(MethodTrace& trace) {
    trace.message(widenAscii(factoryName_), L" factory function failed to return the ", objectName_,
                  L" object.");
}

bool LibraryBinder::release() {
    if (!library_)
        return false;
    return library_.reset();
}
