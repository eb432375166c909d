// The operating-system version, read once per module.
#pragma once

#include <cstdint>

class OsVersion {
public:
    // Throws Win32Exception when the system refuses the version query.
    OsVersion();

    // The module's one record, read on first use.
    static const OsVersion& current();

    bool isNT() const;
    bool isNT5OrLater() const;

    uint32_t getMajor() const { return major_; }
    uint32_t getMinor() const { return minor_; }
    uint32_t getBuild() const { return build_; }
    uint32_t getPlatformId() const { return platformId_; }

private:
    uint32_t major_;
    uint32_t minor_;
    uint32_t build_;
    uint32_t platformId_;
    uint16_t servicePackMajor_;
    uint16_t servicePackMinor_;
    uint16_t suiteMask_;
    uint8_t productType_;
};
