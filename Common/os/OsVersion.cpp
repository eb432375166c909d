#include "OsVersion.h"

#include "Win32Exception.h"
#include "WindowsSupport.h"

#include <cstring>

namespace {
const wchar_t* const kSource = L".\\Common\\OsVersion";
}

OsVersion::OsVersion()
    : major_(0), minor_(0), build_(0), platformId_(0), servicePackMajor_(0), servicePackMinor_(0),
      suiteMask_(0), productType_(0) {
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
        throw Win32Exception(L"OsVersion::OsVersion(): GetVersionEx failed",
                             static_cast<int32_t>(GetLastError()), kSource, __LINE__);
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 4) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
            throw Win32Exception(
                L"OsVersion::OsVersion(): GetVersionEx failed with OSVERSIONINFOEX",
                static_cast<int32_t>(GetLastError()), kSource, __LINE__);
        servicePackMajor_ = info.wServicePackMajor;
        servicePackMinor_ = info.wServicePackMinor;
        suiteMask_ = info.wSuiteMask;
        productType_ = info.wProductType;
    }
    major_ = info.dwMajorVersion;
    minor_ = info.dwMinorVersion;
    build_ = info.dwBuildNumber;
    platformId_ = info.dwPlatformId;
}

const OsVersion& OsVersion::current() {
    // Read on first use rather than before main: a static of a static library
    // is only linked when referenced, and the order of such statics across
    // files is not fixed.
    static const OsVersion version;
    return version;
}

bool OsVersion::isNT() const {
    return platformId_ == VER_PLATFORM_WIN32_NT;
}

bool OsVersion::isNT5OrLater() const {
    return isNT() && major_ > 4;
}
