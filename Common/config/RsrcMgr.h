// Unpacks the two embedded packages into a fresh folder under %TEMP% and
// remembers where they went. Every module reads the folders through the run's
// options; only the launcher unpacks, so the unpacking is defined there
// (launcher/RsrcMgrUnpack.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class RsrcMgr {
public:
    RsrcMgr();
    ~RsrcMgr();
    RsrcMgr(const RsrcMgr&) = delete;
    RsrcMgr& operator=(const RsrcMgr&) = delete;

    int32_t initialize(uint32_t commonSize, uint32_t packageSize);
    // Removes the folders of earlier runs, then makes this run's folder.
    int32_t createDirs();
    int32_t extractSfxFromRsrc(std::wstring fileName, std::wstring directory, uint16_t id,
                               uint32_t size);
    int32_t runSfx(std::wstring fileName, std::wstring directory);
    int32_t cleanSfx(std::wstring fileName, std::wstring directory);
    std::wstring getPackagePath();
    std::wstring getCommonPath();
    void removeStaleDirs(const std::wstring& tempDir);
    // The path as the file system resolves it ("\\?\C:\..."), or empty: through a
    // link with followLink, else the entry itself where the platform can.
    static std::wstring finalPathOf(const std::wstring& path, bool followLink);
    using FinalPathOf = std::wstring (*)(const std::wstring& path, bool followLink);
    // The same with another resolver, for tests of links the test platform
    // cannot make.
    void removeStaleDirs(const std::wstring& tempDir, FinalPathOf resolve);
    uint32_t deleteDirectory(const std::wstring& path, bool recursive);

    // For callers that already have unpacked folders (tests, tools). Each path
    // must end with a backslash.
    void setDirectories(const std::wstring& package, const std::wstring& common);

    // How long runSfx lets a package program run before it ends it.
    void setSfxTimeout(uint32_t milliseconds) { sfxTimeoutMs_ = milliseconds; }

    // The folders of earlier runs in one temporary folder, as found there.
    struct StaleDirs {
        std::wstring base;      // the temporary folder, with its backslash
        std::wstring baseFinal; // the same as the file system resolves it
        std::vector<std::wstring> names;
        std::vector<uint32_t> attributes;
    };

private:
    // With stale set, the earlier runs' folders are only found, into it, for
    // the caller to remove.
    int32_t createDirs(StaleDirs* stale);
    class StaleRemoval;
    // Lives with the unpacking, the only code that lists and removes folders.
    static bool findStaleDirs(const std::wstring& tempDir, FinalPathOf resolve, StaleDirs& found);
    void removeFoundDirs(const StaleDirs& found, FinalPathOf resolve);

    std::wstring packageDir_;
    std::wstring commonDir_;
    // The lock file of this run's folder (a file handle, null when none),
    // open for the whole run; other runs leave a folder alone while it is held.
    void* runLock_ = nullptr;
    // Set by the unpacking (launcher/), the only code that takes the lock, so
    // that every other module can hold this record without the OS call.
    void (*closeRunLock_)(void* lock) = nullptr;
    uint32_t sfxTimeoutMs_ = 90000;
};
