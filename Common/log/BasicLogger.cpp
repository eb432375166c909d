#include "BasicLogger.h"
#include "BasicLoggerFile.h"

#include "CriticalSection.h"
#include "InterProcessLock.h"
#include "LogLineFormat.h"
#include "LoggerInstance.h"
#include "Mutex.h"
#include "ScopedHandle.h"
#include "SecurityEveryone.h"
#include "TextConvert.h"
#include "Win32Exception.h"

#include <atomic>
#include <map>
#include <vector>

namespace {

std::atomic<bool> g_created{false};

const uint32_t kSettingMaxAgeMs = 5000;
const int kNameWidth = 25;
// How long a line waits for the log's lock. Whoever holds it longer is stuck
// (or suspended in a debugger); the line is dropped rather than holding up
// the caller, which may be the update worker in the middle of a flash. While
// lines are being dropped the next ones only try briefly, so a lock that
// stays held costs each line a moment, not seconds.
const uint32_t kLockWaitMs = 3000;
const uint32_t kLockRetryMs = 50;

// The registry values the logger reads; made once, as every line looks them up.
struct SettingKeys {
    const std::wstring startLog{L"startLog"};
    const std::wstring clock{L"Clocktime_In_Header"};
    const std::wstring processId{L"Proc_Id_In_Header"};
    const std::wstring threadId{L"Thread_Id_In_Header"};
};

const SettingKeys& settingKeys() {
    static const SettingKeys keys;
    return keys;
}

struct CachedSetting {
    uint32_t value;
    uint32_t stamp;
};

// A bare file name would land in whatever the current folder is; such a log
// goes to the root of the Windows drive instead.
std::wstring placeBareFileName(const std::wstring& path) {
    if (path.find(L'\\') != std::wstring::npos)
        return path;
    wchar_t windowsDir[261];
    UINT length = GetWindowsDirectoryW(windowsDir, 261);
    std::wstring root =
        (length == 0 || length > 260) ? std::wstring(L"c:\\") : std::wstring(windowsDir, 3);
    return root + path;
}

bool isInUseElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

} // namespace

struct BasicLogger::Impl {
    std::unique_ptr<Mutex> lock;
    std::wstring path;
    int nameWidth = kNameWidth;
    CriticalSection depthLock;
    std::map<uint32_t, int> depths;
    std::unique_ptr<SecurityEveryone> fileSecurity;
    // Every thread that logs reads and refreshes the cache.
    CriticalSection settingsLock;
    std::map<std::wstring, CachedSetting> settings;
    // Lines lost to a held lock since the last line that got through.
    std::atomic<uint32_t> droppedLines{0};
    // Lines of this process's threads waiting for the file. Whichever thread
    // finds nobody writing writes all of them in one go; each caller returns
    // only once its own line has been written (or dropped).
    SRWLOCK queueLock = SRWLOCK_INIT;
    CONDITION_VARIABLE queueDone = CONDITION_VARIABLE_INIT;
    std::vector<PendingLine*> queue;
    bool writing = false;
    DWORD writer = 0; // the thread writing, while writing
};

struct BasicLogger::PendingLine {
    const LoggerComponent* component;
    bool forced;
    bool withClock;
    LogLineHeader header; // all but the clock, which is read as the line goes out
    int depth;
    std::wstring prefix, suffix;
    const wchar_t* text;
    bool done = false;
};

BasicLogger::BasicLogger(const std::wstring& path, int nameWidth) : impl_(new Impl) {
    impl_->nameWidth = nameWidth;
    try {
        impl_->lock.reset(
            new Mutex(Mutex::Ownership::NotOwned, lockNameFor(path), Mutex::Access::Everyone));
    } catch (const Win32Exception&) {
        g_loggingDisabled = true;
    }
    impl_->path = placeBareFileName(path);
    try {
        impl_->fileSecurity.reset(new SecurityEveryone(false));
    } catch (const Win32Exception&) {
        // A file created without it gets default security; lines still go out.
    }
}

std::wstring BasicLogger::lockNameFor(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    return L"TZLOG_" + (slash == std::wstring::npos ? path : path.substr(slash + 1));
}

BasicLogger::~BasicLogger() {
    BasicLogger* self = this;
    if (g_loggerInstance.compare_exchange_strong(self, nullptr))
        g_created = false;
    {
        CriticalSectionLock guard(impl_->settingsLock);
        impl_->settings.clear();
    }
}

const std::wstring& BasicLogger::getPath() const {
    return impl_->path;
}

bool BasicLogger::isEnabled(const LoggerComponent& component, uint32_t level) {
    if (g_loggingDisabled.load(std::memory_order_relaxed))
        return false;
    if (level & LogLevelForce)
        return true;
    uint32_t gate = 0;
    getCachedSetting(settingKeys().startLog, gate, 0, kSettingMaxAgeMs);
    if (gate == 0)
        return false;
    uint32_t globalMask = 0;
    getCachedSetting(LogAll.name(), globalMask, 0xFFFFFFFFu, kSettingMaxAgeMs);
    uint32_t componentMask = 0;
    getCachedSetting(component.name(), componentMask, component.getDefaultMask(), kSettingMaxAgeMs);
    return (level & (globalMask | componentMask)) != 0;
}

void BasicLogger::getCachedSetting(const std::wstring& key, uint32_t& value, uint32_t defaultValue,
                                   uint32_t maxAgeMs) {
    uint32_t now = GetTickCount();
    {
        CriticalSectionLock guard(impl_->settingsLock);
        auto it = impl_->settings.find(key);
        // Unsigned difference: right across the tick counter's wrap, and a
        // value stored in this same tick counts as fresh.
        if (it != impl_->settings.end() && now - it->second.stamp < maxAgeMs) {
            value = it->second.value;
            return;
        }
    }
    // Read outside the lock: the start gate opens a file.
    uint32_t fresh = defaultValue;
    getSetting(key, fresh, defaultValue);
    {
        CriticalSectionLock guard(impl_->settingsLock);
        impl_->settings[key] = CachedSetting{fresh, now};
    }
    value = fresh;
}

void BasicLogger::getSetting(const std::wstring& key, uint32_t& value, uint32_t defaultValue) {
    value = defaultValue;
    if (key != settingKeys().startLog)
        return;
    value = 0xFFFFFFFFu;
    ScopedFileHandle probe(CreateFileW(impl_->path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A file that another program holds for a moment (an editor, a backup, a
    // virus scanner) is still there: only the lines written meanwhile are lost.
    if (!probe.valid() && !isInUseElsewhere(GetLastError()))
        value = 0;
}

void BasicLogger::onLogFileMissing() {}

std::wstring BasicLogger::getLinePrefix(const LoggerComponent&, uint32_t, const wchar_t*) {
    return std::wstring();
}

std::wstring BasicLogger::getLineSuffix(const LoggerComponent&, uint32_t, const wchar_t*) {
    return std::wstring();
}

void BasicLogger::log(const LoggerComponent& component, uint32_t level, const std::wstring& text) {
    log(component, level, text.c_str());
}

void BasicLogger::log(const LoggerComponent& component, uint32_t level, const wchar_t* text) {
    try {
        writeLine(component, level, text);
    } catch (...) {
        // A line that cannot be written is lost; logging never fails a caller.
    }
}

void BasicLogger::writeLine(const LoggerComponent& component, uint32_t level, const wchar_t* text) {
    PendingLine line;
    uint32_t setting = 0;
    getCachedSetting(settingKeys().clock, setting, 1, kSettingMaxAgeMs);
    line.header.withClock = setting > 0;
    getCachedSetting(settingKeys().processId, setting, 0, kSettingMaxAgeMs);
    line.header.withProcessId = setting > 0;
    getCachedSetting(settingKeys().threadId, setting, 0, kSettingMaxAgeMs);
    line.header.withThreadId = setting > 0;
    if (!impl_->lock)
        return;
    line.component = &component;
    line.forced = (level & LogLevelForce) != 0;
    line.header.processId = GetCurrentProcessId();
    line.header.threadId = GetCurrentThreadId();
    line.depth = getDepth(GetCurrentThreadId());
    line.prefix = getLinePrefix(component, level, text);
    line.suffix = getLineSuffix(component, level, text);
    line.text = text;
    submit(line);
}

void BasicLogger::submit(PendingLine& line) {
    AcquireSRWLockExclusive(&impl_->queueLock);
    // A line from the writing thread itself (a hook that logs) cannot wait
    // for its own write to end; it goes out on its own, the lock being its
    // thread's already.
    if (impl_->writing && impl_->writer == GetCurrentThreadId()) {
        ReleaseSRWLockExclusive(&impl_->queueLock);
        writeBatch(std::vector<PendingLine*>(1, &line));
        return;
    }
    try {
        impl_->queue.push_back(&line);
    } catch (...) {
        ReleaseSRWLockExclusive(&impl_->queueLock);
        throw; // the line is lost, as any line that cannot be written
    }
    while (!line.done) {
        if (impl_->writing) {
            SleepConditionVariableSRW(&impl_->queueDone, &impl_->queueLock, INFINITE, 0);
            continue;
        }
        std::vector<PendingLine*> batch;
        batch.swap(impl_->queue);
        impl_->writing = true;
        impl_->writer = GetCurrentThreadId();
        ReleaseSRWLockExclusive(&impl_->queueLock);
        try {
            writeBatch(batch);
        } catch (...) {
            // Lines that cannot be written are lost; logging never fails a caller.
        }
        AcquireSRWLockExclusive(&impl_->queueLock);
        for (PendingLine* written : batch)
            written->done = true;
        impl_->writing = false;
        WakeAllConditionVariable(&impl_->queueDone);
    }
    ReleaseSRWLockExclusive(&impl_->queueLock);
}

void BasicLogger::writeBatch(const std::vector<PendingLine*>& batch) {
    InterProcessLock hold(impl_->lock.get(),
                          impl_->droppedLines.load() ? kLockRetryMs : kLockWaitMs);
    if (!hold.held()) {
        impl_->droppedLines += static_cast<uint32_t>(batch.size());
        return;
    }
    // The clock is read under the lock, so that the file's time stamps run
    // in the order of its lines whatever process wrote them.
    std::wstring text;
    std::string bytes, forcedBytes, lineBytes;
    bool anyForced = false;
    const uint32_t dropped = impl_->droppedLines.exchange(0);
    for (size_t i = 0; i < batch.size(); ++i) {
        PendingLine& line = *batch[i];
        if (line.header.withClock) {
            SYSTEMTIME now;
            GetLocalTime(&now);
            line.header.year = now.wYear;
            line.header.month = now.wMonth;
            line.header.day = now.wDay;
            line.header.hour = now.wHour;
            line.header.minute = now.wMinute;
            line.header.second = now.wSecond;
            line.header.millis = now.wMilliseconds;
        }
        text.clear();
        if (i == 0 && dropped != 0) {
            const std::wstring note =
                L"Log lines dropped (log lock busy): " + std::to_wstring(dropped);
            appendLogLine(text, line.header, line.component->name(), impl_->nameWidth, line.depth,
                          note.c_str(), L"");
        }
        text += line.prefix;
        appendLogLine(text, line.header, line.component->name(), impl_->nameWidth, line.depth,
                      line.text, line.suffix);
        // Characters the file's 8-bit text cannot hold are marked, not allowed
        // to cost the line: user names put them into every temporary path.
        narrowLatin1Replacing(text, lineBytes);
        bytes += lineBytes;
        if (line.forced) {
            forcedBytes += lineBytes;
            anyForced = true;
        }
    }
    if (appendToFile(false, bytes))
        return;
    // The note of lines dropped before stands with the first line; unless
    // that line got out after all, the note is told with the next line that
    // does.
    const bool noteOut = anyForced && appendToFile(true, forcedBytes) && batch.front()->forced;
    if (!noteOut)
        impl_->droppedLines += dropped;
}

bool BasicLogger::appendToFile(bool forced, const std::string& bytes) {
    // Appending only: every write lands at the end of the file as it is then,
    // with no separate move to the end.
    const DWORD access = FILE_APPEND_DATA;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    ScopedFileHandle file;
    if (!forced) {
        file.reset(CreateFileW(impl_->path.c_str(), access, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            DWORD error = GetLastError();
            onLogFileMissing();
            // The file's existence is the start gate: a line must not bring
            // back a file that was deleted to stop the log. Only forced lines
            // create it; the others are dropped, and unless the file is merely
            // held by another program the gate is read again at once.
            if (!isInUseElsewhere(error)) {
                CriticalSectionLock guard(impl_->settingsLock);
                impl_->settings.erase(settingKeys().startLog);
            }
            return false;
        }
    } else {
        SECURITY_ATTRIBUTES* security =
            impl_->fileSecurity ? impl_->fileSecurity->getSecurityAttributes() : nullptr;
        file.reset(CreateFileW(impl_->path.c_str(), access, share, security, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid())
            return false;
    }
    // A full disk or a log folder on a share that went away: not written.
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

void BasicLogger::deleteLogFile() {
    if (!impl_->lock)
        return;
    InterProcessLock hold(impl_->lock.get(), kLockWaitMs);
    if (hold.held())
        DeleteFileW(impl_->path.c_str());
}

void BasicLogger::increaseDepth() {
    CriticalSectionLock guard(impl_->depthLock);
    ++impl_->depths[GetCurrentThreadId()];
}

void BasicLogger::decreaseDepth() {
    CriticalSectionLock guard(impl_->depthLock);
    auto it = impl_->depths.find(GetCurrentThreadId());
    if (it == impl_->depths.end())
        return;
    // Threads come and go; an entry back at depth 0 is not kept.
    if (--it->second <= 0)
        impl_->depths.erase(it);
}

int BasicLogger::getDepth(uint32_t threadId) {
    CriticalSectionLock guard(impl_->depthLock);
    auto it = impl_->depths.find(threadId);
    return it == impl_->depths.end() ? 0 : it->second;
}

namespace {

// The switch "kivlog" = 1 under HKLM\Software\<brand>, read into a zeroed
// 32-bit buffer whatever its type: a shorter value counts by its bytes, a
// longer one does not fit and leaves the switch off.
bool readLogSwitch(const wchar_t* keyPath) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    ScopedRegKey key(raw);
    uint32_t value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key.get(), L"kivlog", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
        return false;
    return value == 1;
}

std::wstring defaultLogFolder() {
    const wchar_t* pattern = L"%ALLUSERSPROFILE%\\";
    DWORD needed = ExpandEnvironmentStringsW(pattern, nullptr, 0);
    if (needed == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(needed + 1);
    DWORD length = ExpandEnvironmentStringsW(pattern, buffer.data(), needed + 1);
    if (length == 0 || length > needed + 1)
        return std::wstring();
    std::wstring folder(buffer.data());
    // An unset variable is left unexpanded; that is no folder.
    if (folder.find(L'%') != std::wstring::npos)
        return std::wstring();
    return folder;
}

} // namespace

bool createLogFile(const std::wstring& path, CreateFileFunction createFile) {
    // The first run to log may be an elevated one (an installer); every later
    // run, whoever starts it, appends to the same file.
    std::unique_ptr<SecurityEveryone> security;
    try {
        security.reset(new SecurityEveryone(false));
    } catch (const Win32Exception&) {
    }
    // Never truncate: a run that starts together with another must not wipe
    // the lines the other has written since both found the file missing.
    ScopedFileHandle created(createFile(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        security ? security->getSecurityAttributes() : nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return created.valid();
}

BasicLogger* makeBasicLogger() {
    // Placed before the file is created: without the profile folder the file
    // belongs in the drive root, where the logger will look for it, not in
    // whatever the current folder is.
    std::wstring path = placeBareFileName(defaultLogFolder() + L"KIVlog.txt");
    bool on = readLogSwitch(L"Software\\Tavrin");
    if (!on)
        on = readLogSwitch(L"Software\\Oskel");
    if (on)
        createLogFile(path);
    BasicLogger* logger = new BasicLogger(path, kNameWidth);
    BasicLogger* result = nullptr;
    bool expected = false;
    if (g_created.compare_exchange_strong(expected, true)) {
        g_loggerInstance = logger;
        result = logger;
    } else {
        delete logger;
    }
    if (!on)
        g_loggingDisabled = true;
    return result;
}
