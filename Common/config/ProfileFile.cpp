#include "ProfileFile.h"

#include "ScopedHandle.h"
#include "WindowsSupport.h"

uint32_t profileSectionNames(wchar_t* buffer, uint32_t size, const wchar_t* path) {
    return ::GetPrivateProfileSectionNamesW(buffer, size, path);
}

uint32_t profileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, uint32_t size, const wchar_t* path) {
    return ::GetPrivateProfileStringW(section, key, fallback, buffer, size, path);
}

bool profileFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr))
            return false;
        if (read == 0)
            return true;
        bytes.append(chunk, read);
    }
}

namespace {
uint64_t counts(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
} // namespace

bool profileFileStamp(const std::wstring& path, ProfileMemo::Stamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.created = counts(data.ftCreationTime);
    stamp.written = counts(data.ftLastWriteTime);
    stamp.askedAt = counts(now);
    return true;
}
