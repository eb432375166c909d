// The unpacking half of RsrcMgr: a fresh folder under %TEMP%, the two embedded
// package programs written there and run, and the cleanup of earlier runs.
#include "RsrcMgr.h"

#include "MethodTrace.h"
#include "PackageResources.h"
#include "ScopedHandle.h"
#include "StaleEntry.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

namespace {

// How long a package program that was told to end may take to go.
const DWORD kSfxEndWaitMs = 5000;
// runSfx's result when the package program ran and ended with a failure.
const int32_t kSfxFailed = 7;
// A program written a moment ago may be held briefly by a file scanner, or
// its start may fail for want of a resource; neither says the program is bad.
const uint32_t kSfxStartAttempts = 3;
const DWORD kSfxStartPauseMs = 500;
const DWORD kTempBufferChars = 261;
const uint32_t kRunFolderAttempts = 100;

// Starting again cannot help a program that is not there or is not a program.
bool worthAnotherStart(uint32_t code) {
    return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND &&
           code != ERROR_BAD_EXE_FORMAT && code != ERROR_INVALID_NAME;
}

// The name as the file system resolves it ("\\?\C:\..."), or empty.
std::wstring finalPathOfHandle(HANDLE h) {
    std::vector<wchar_t> buf(MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD n = ::GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return std::wstring();
        if (n < buf.size())
            return std::wstring(buf.data(), n);
        buf.resize(n + 1);
    }
    return std::wstring();
}

// Takes a leftover run folder's lock for its removal, creating the lock file
// if the folder has none. Fails while a run holds the lock; once taken, a run
// that is just starting cannot take it and moves to another name. Deletion
// may remove the file while it is open.
HANDLE claimRunFolder(const std::wstring& folder, const std::wstring& folderFinal) {
    ScopedFileHandle claim(
        ::CreateFileW((withBackslash(folder) + kRunLockFileName).c_str(), GENERIC_READ | DELETE,
                      FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // A lock name that leads elsewhere is a link: the folder is left alone.
    if (claim && !finalPathIsEntry(folderFinal, kRunLockFileName, finalPathOfHandle(claim.get())))
        claim.reset();
    return claim.release();
}

// A package program past its time is our own child: left running it would
// keep writing into, and holding files of, the run's folder.
void endOverdueProgram(HANDLE process, MethodTrace& trace) {
    if (!::TerminateProcess(process, ERROR_TIMEOUT)) {
        const uint32_t code = ::GetLastError();
        // It may have ended by itself in the meantime.
        if (::WaitForSingleObject(process, 0) != WAIT_OBJECT_0)
            trace.message(L"Error: Unable to end SFX process: err=", code);
        return;
    }
    if (::WaitForSingleObject(process, kSfxEndWaitMs) != WAIT_OBJECT_0)
        trace.message(L"Error: SFX process did not end in time after being stopped.");
}

// The entries of a folder, without "." and "..". False when it cannot be listed.
bool listFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((withBackslash(folder) + L"*.*").c_str(), &fd));
    if (!find)
        return false;
    do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileW(find.get(), &fd));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

// Removes a link itself. Only called for an entry whose name was shown to
// open the entry itself, so this never reaches what the link points to.
bool removeLink(const std::wstring& path, DWORD attrs) {
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        return ::RemoveDirectoryW(path.c_str()) != FALSE;
    return ::DeleteFileW(path.c_str()) != FALSE;
}

void closeRunLockHandle(void* lock) {
    ::CloseHandle(lock);
}

} // namespace

// Removes the folders found on a thread of its own; wait(), or the end of
// this object, waits for it. Where no thread can be started, the removal
// happens at once.
class RsrcMgr::StaleRemoval {
public:
    StaleRemoval(RsrcMgr& owner, const StaleDirs& stale) : owner_(owner), stale_(stale) {
        if (stale_.names.empty())
            return;
        try {
            worker_ = std::thread([this] { removeAll(); });
        } catch (...) {
            removeAll();
        }
    }
    ~StaleRemoval() { wait(); }
    void wait() {
        if (worker_.joinable())
            worker_.join();
    }
    StaleRemoval(const StaleRemoval&) = delete;
    StaleRemoval& operator=(const StaleRemoval&) = delete;

private:
    void removeAll() {
        try {
            owner_.removeFoundDirs(stale_, &RsrcMgr::finalPathOf);
        } catch (...) {
            // What is left goes at the next run's start.
        }
    }

    RsrcMgr& owner_;
    const StaleDirs& stale_; // the caller's, which outlives this object
    std::thread worker_;
};

int32_t RsrcMgr::initialize(uint32_t commonSize, uint32_t packageSize) {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::initialize: ");
    StaleDirs stale;
    if (createDirs(&stale) != 0) {
        trace.message(L"Unable to create resource directories in system temp directory.");
        return 4;
    }
    // The earlier runs' folders go while the packages unpack: both mostly
    // wait, one on the file system, the other on the package programs. Our
    // own folder's lock keeps the removal out of it, and the removal ends
    // before this does, so that no run leaves a folder half removed.
    StaleRemoval removal(*this, stale);
    struct Step {
        const wchar_t* file;
        std::wstring dir;
        uint16_t id;
        uint32_t size;
        const wchar_t* name;
    };
    const Step steps[] = {
        {L"common.exe", commonDir_, KIV_COMMON_PACKAGE_RESOURCE, commonSize, L"Common"},
        {L"package.exe", packageDir_, KIV_MAIN_PACKAGE_RESOURCE, packageSize, L"Package"}};
    for (const Step& s : steps) {
        int32_t rc = extractSfxFromRsrc(s.file, s.dir, s.id, s.size);
        if (rc != 0) {
            trace.message(L"Error in extracting '", s.name, L"' SFX file from resource.");
            return rc;
        }
        rc = runSfx(s.file, s.dir);
        if (rc != 0) {
            trace.message(L"Error in executing '", s.name, L"' SFX package.");
            return rc;
        }
        // The program has done its work: one left behind (a scanner holding
        // it) only costs space until the next run removes this folder.
        if (cleanSfx(s.file, s.dir) != 0)
            trace.message(L"Error cleaning '", s.name, L"' SFX package.");
    }
    removal.wait();
    trace.message(L"Resource initialization successful!");
    return 0;
}

int32_t RsrcMgr::createDirs() {
    return createDirs(nullptr);
}

int32_t RsrcMgr::createDirs(StaleDirs* stale) {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::createDirs: ");
    wchar_t temp[kTempBufferChars];
    DWORD n = ::GetEnvironmentVariableW(L"TEMP", temp, kTempBufferChars);
    if (n == 0) {
        trace.message(L"Error retrieving environment variable: Err code=",
                      static_cast<uint32_t>(::GetLastError()));
        return 4;
    }
    if (n >= kTempBufferChars) {
        trace.message(L"Error retrieving environment variable: Path buffer too small.");
        return 4;
    }
    std::wstring tempDir(temp, n);
    // What cannot be listed leaves the list empty: nothing is removed.
    if (!stale)
        removeStaleDirs(tempDir);
    else
        findStaleDirs(tempDir, &RsrcMgr::finalPathOf, *stale);

    std::wstring root;
    ScopedFileHandle lock;
    // Runs started within the same second each get a folder of their own:
    // a name that is taken, or whose lock another run's cleanup got first,
    // gives way to the next second's name.
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    DWORD lastError = ERROR_ALREADY_EXISTS;
    for (uint32_t attempt = 0; attempt < kRunFolderAttempts; ++attempt) {
        wchar_t seconds[16];
        errno_t err = _itow_s(static_cast<int32_t>(now + attempt), seconds, 16, 10);
        if (err != 0) {
            trace.message(L"Error converting time to string: Err code=", static_cast<int32_t>(err));
            return 4;
        }
        root = withBackslash(tempDir) + L"KIV_" + seconds + L"\\";
        if (!::CreateDirectoryW(root.c_str(), nullptr)) {
            lastError = ::GetLastError();
            if (!runFolderNameTaken(lastError))
                break;
            continue;
        }
        lock.reset(::CreateFileW((root + kRunLockFileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (lock)
            break;
        lastError = ::GetLastError();
        // Anything but a cleanup that got there first will not go away.
        if (lastError != ERROR_FILE_EXISTS && lastError != ERROR_PATH_NOT_FOUND) {
            ::RemoveDirectoryW(root.c_str());
            break;
        }
    }
    if (!lock) {
        trace.message(L"Error creating KIV temp directory: Err code=",
                      static_cast<uint32_t>(lastError));
        return 4;
    }
    std::wstring package = root + L"Package\\";
    std::wstring common = root + L"Common\\";
    struct {
        const std::wstring& path;
        const wchar_t* failure;
    } const dirs[] = {{package, L"Error creating Package directory: Err code="},
                      {common, L"Error creating common directory: Err code="}};
    for (const auto& d : dirs) {
        if (!::CreateDirectoryW(d.path.c_str(), nullptr)) {
            trace.message(d.failure, static_cast<uint32_t>(::GetLastError()));
            return 4;
        }
    }
    // Held until this object goes at the end of the run; if the process dies
    // first, the system lets go of it.
    if (runLock_ && closeRunLock_)
        closeRunLock_(runLock_);
    runLock_ = lock.release();
    closeRunLock_ = &closeRunLockHandle;
    // The paths are published only once all three folders exist.
    setDirectories(package, common);
    trace.message(L"Temporary directories created successfully!");
    return 0;
}

int32_t RsrcMgr::extractSfxFromRsrc(std::wstring fileName, std::wstring directory, uint16_t id,
                                    uint32_t size) {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::extractSfxFromRsrc: ");
    if (size == 0) {
        trace.message(L"Error: SFX Size is 0!");
        return 3;
    }
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceExW(self, RT_RCDATA, MAKEINTRESOURCEW(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!res) {
        trace.message(L"Error: Unable to find resource: RsrcID=", id, L", Err code=",
                      static_cast<uint32_t>(::GetLastError()));
        return 2;
    }
    HGLOBAL loaded = ::LoadResource(self, res);
    if (!loaded) {
        trace.message(L"Error: Unable to load resource: RsrcID=", id, L", Err code=",
                      static_cast<uint32_t>(::GetLastError()));
        return 2;
    }
    const void* data = ::LockResource(loaded);
    if (!data) {
        trace.message(L"Error: Unable to lock resource: RsrcID=", id);
        return 2;
    }
    // Writing more than the resource holds would copy whatever follows it.
    uint32_t available = ::SizeofResource(self, res);
    if (size > available) {
        trace.message(L"Error: SFX Size exceeds resource: RsrcID=", id, L", size=", size,
                      L", resource=", available);
        return 3;
    }
    std::wstring path = withBackslash(directory) + fileName;
    ScopedFileHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        trace.message(L"Error: Unable to open resource output file: Path=", path);
        return 3;
    }
    DWORD written = 0;
    if (!::WriteFile(out.get(), data, size, &written, nullptr) || written != size) {
        uint32_t code = ::GetLastError();
        trace.message(L"Error: Unable to open resource output file: Path=", path, L", error=",
                      code);
        out.reset();
        ::DeleteFileW(path.c_str()); // a truncated program must never be run
        return 3;
    }
    if (!out.reset()) {
        trace.message(L"Error: Unable to close resource output file: Path=", path, L", error=",
                      static_cast<uint32_t>(::GetLastError()));
        return 3;
    }
    trace.message(L"SFX written to file successfully!");
    return 0;
}

int32_t RsrcMgr::runSfx(std::wstring fileName, std::wstring directory) {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::runSfx: ");
    directory = withBackslash(directory);
    std::wstring program = directory + fileName;
    PROCESS_INFORMATION pi{};
    for (uint32_t attempt = 1;; ++attempt) {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                             directory.c_str(), &si, &pi))
            break;
        const uint32_t code = ::GetLastError();
        if (attempt == kSfxStartAttempts || !worthAnotherStart(code)) {
            trace.message(L"Error: Unable to create SFX process: err=", code);
            return 5;
        }
        trace.message(L"SFX process did not start: err=", code, L", trying again");
        ::Sleep(kSfxStartPauseMs);
    }
    ScopedKernelHandle process(pi.hProcess);
    ScopedKernelHandle thread(pi.hThread);
    DWORD wait = ::WaitForSingleObject(process.get(), sfxTimeoutMs_);
    if (wait == WAIT_TIMEOUT) {
        trace.message(L"Error: Timeout reached while waiting for SFX process to complete.");
        endOverdueProgram(process.get(), trace);
        return 6;
    }
    if (wait != WAIT_OBJECT_0) {
        trace.message(L"Error: Error occurred while waiting for SFX process to complete.");
        return 5;
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        trace.message(L"Error: Unable to read SFX exit code: err=",
                      static_cast<uint32_t>(::GetLastError()));
        return 5;
    }
    if (!process.reset()) {
        trace.message(L"Error: Unable to close SFX process handle: err=",
                      static_cast<uint32_t>(::GetLastError()));
        return 5;
    }
    if (!thread.reset()) {
        trace.message(L"Error: Unable to close SFX thread handle: err=",
                      static_cast<uint32_t>(::GetLastError()));
        return 5;
    }
    // A package program that could not unpack everything says so only here.
    if (exitCode != 0) {
        trace.message(L"Error: SFX process failed: exit code=", static_cast<uint32_t>(exitCode));
        return kSfxFailed;
    }
    trace.message(L"SFX execution completed successfully!");
    return 0;
}

int32_t RsrcMgr::cleanSfx(std::wstring fileName, std::wstring directory) {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::cleanSfx: ");
    std::wstring path = withBackslash(directory) + fileName;
    if (!::DeleteFileW(path.c_str())) {
        trace.message(L"Error: Unable to remove SFX from temp directory: Path=", path, L", err=",
                      static_cast<uint32_t>(::GetLastError()));
        return 1;
    }
    trace.message(L"SFX cleaning completed successfully!");
    return 0;
}

std::wstring RsrcMgr::finalPathOf(const std::wstring& path, bool followLink) {
    ScopedFileHandle h(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
    if (!h)
        return std::wstring();
    std::wstring resolved = finalPathOfHandle(h.get());
    const DWORD error = ::GetLastError();
    h.reset();
    ::SetLastError(error); // for a caller that reports why there is no path
    return resolved;
}

void RsrcMgr::removeStaleDirs(const std::wstring& tempDir) {
    removeStaleDirs(tempDir, &RsrcMgr::finalPathOf);
}

void RsrcMgr::removeStaleDirs(const std::wstring& tempDir, FinalPathOf resolve) {
    StaleDirs found;
    if (findStaleDirs(tempDir, resolve, found))
        removeFoundDirs(found, resolve);
}

bool RsrcMgr::findStaleDirs(const std::wstring& tempDir, FinalPathOf resolve, StaleDirs& found) {
    found = StaleDirs();
    found.base = withBackslash(tempDir);
    // TEMP may itself be a link (a folder moved to another drive): its
    // entries resolve through it, so it is compared resolved too.
    found.baseFinal = resolve(tempDir, true);
    if (found.baseFinal.empty()) {
        // Nothing in it can be shown to be the entry it names, so nothing goes.
        logLine(LogKIVInit,
                L"RsrcMgr::removeStaleDirs: Unable to resolve temporary directory, "
                L"folders of earlier runs are kept: Path=",
                tempDir, L", Err code=", static_cast<uint32_t>(::GetLastError()));
        return false;
    }
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((found.base + L"*.*").c_str(), &fd));
    if (!find)
        return false;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            isStaleRunFolderName(fd.cFileName)) {
            found.names.push_back(fd.cFileName);
            found.attributes.push_back(fd.dwFileAttributes);
        }
    } while (::FindNextFileW(find.get(), &fd));
    return true;
}

void RsrcMgr::removeFoundDirs(const StaleDirs& found, FinalPathOf resolve) {
    for (size_t i = 0; i < found.names.size(); ++i) {
        const std::wstring& name = found.names[i];
        const DWORD attrs = found.attributes[i];
        std::wstring path = found.base + name;
        // A name that resolves elsewhere is a link the platform follows:
        // deleting through it would reach outside TEMP.
        const std::wstring folderFinal = resolve(path, false);
        if (!finalPathIsEntry(found.baseFinal, name, folderFinal))
            continue;
        if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) {
            removeLink(path, attrs);
            continue;
        }
        std::vector<FolderEntry> entries;
        if (!listFolder(path, entries) || !hasRunFolderLayout(entries))
            continue; // someone else's folder under a name like ours
        ScopedFileHandle claim(claimRunFolder(path, folderFinal));
        if (!claim)
            continue; // a run is still using it
        deleteDirectory(path, true);
        // The lock file goes last (it was open while the rest went), then the folder.
        claim.reset();
        ::DeleteFileW((withBackslash(path) + kRunLockFileName).c_str());
        ::RemoveDirectoryW(path.c_str());
    }
}

uint32_t RsrcMgr::deleteDirectory(const std::wstring& path, bool recursive) {
    const std::wstring base = withBackslash(path);
    const std::wstring ownFinal = finalPathOf(path, false);
    if (ownFinal.empty())
        return 0;
    bool keep = false;
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((base + L"*.*").c_str(), &fd));
    if (!find)
        return 0;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring entry = base + name;
        if (!finalPathIsEntry(ownFinal, name, finalPathOf(entry, false))) {
            keep = true; // a link the platform follows: neither it nor its target is touched
            continue;
        }
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (!removeLink(entry, fd.dwFileAttributes))
                keep = true;
            continue;
        }
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!recursive) {
                keep = true;
                continue;
            }
            uint32_t rc = deleteDirectory(entry, true);
            if (rc != 0)
                return rc;
            continue;
        }
        // Only a read-only file refuses deletion; asking to clear the
        // attributes of every other file would cost a round trip each.
        if (((fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) &&
             !::SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL)) ||
            !::DeleteFileW(entry.c_str()))
            return ::GetLastError();
    } while (::FindNextFileW(find.get(), &fd));
    DWORD last = ::GetLastError();
    find.reset();
    if (last != ERROR_NO_MORE_FILES)
        return last;
    if (keep)
        return 0;
    if (!::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL) ||
        !::RemoveDirectoryW(path.c_str()))
        return ::GetLastError();
    return 0;
}
