#include "ProfileFile.h"

#include "WindowsSupport.h"

uint32_t profileSectionNames(wchar_t* buffer, uint32_t size, const wchar_t* path) {
    return ::GetPrivateProfileSectionNamesW(buffer, size, path);
}

uint32_t profileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, uint32_t size, const wchar_t* path) {
    return ::GetPrivateProfileStringW(section, key, fallback, buffer, size, path);
}
