// The OS-bound pieces that the logic files call, for the native build, with
// the contract of their Windows counterparts. The log works as on Windows
// with the "kivlog" switch off: a logger is brought up, and it writes only
// while its file exists (a test creates it). The configuration is read from
// real files, with the system's rules for initialization files.
#include "BasicLogger.h"
#include "ErrorText.h"
#include "LogLineFormat.h"
#include "LoggerInstance.h"
#include "NativePath.h"
#include "ProfileFile.h"
#include "SystemAddressParser.h"
#include "TextConvert.h"
#include "Win32Exception.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int kNameWidth = 25;

uint32_t threadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

bool fileThere(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

struct BasicLogger::Impl {
    std::wstring path;
    std::string file; // the path as this system takes it
    int nameWidth = kNameWidth;
    std::mutex lock;
    std::map<uint32_t, int> depths;
};

BasicLogger::BasicLogger(const std::wstring& path, int nameWidth) : impl_(new Impl) {
    impl_->path = path;
    impl_->file = nativePath(path);
    impl_->nameWidth = nameWidth;
}

BasicLogger::~BasicLogger() {
    BasicLogger* self = this;
    g_loggerInstance.compare_exchange_strong(self, nullptr);
}

void BasicLogger::log(const LoggerComponent& component, uint32_t level, const std::wstring& text) {
    log(component, level, text.c_str());
}

void BasicLogger::log(const LoggerComponent& component, uint32_t level, const wchar_t* text) {
    if (!isEnabled(component, level))
        return;
    try {
        LogLineHeader header;
        std::time_t seconds = std::time(nullptr);
        std::tm local;
        localtime_r(&seconds, &local);
        header.year = local.tm_year + 1900;
        header.month = local.tm_mon + 1;
        header.day = local.tm_mday;
        header.hour = local.tm_hour;
        header.minute = local.tm_min;
        header.second = local.tm_sec;
        header.processId = static_cast<uint32_t>(getpid());
        header.threadId = threadId();
        std::wstring line = getLinePrefix(component, level, text);
        appendLogLine(line, header, component.name(), impl_->nameWidth, getDepth(threadId()), text,
                      getLineSuffix(component, level, text));
        std::string bytes;
        narrowLatin1Replacing(line, bytes);
        std::lock_guard<std::mutex> guard(impl_->lock);
        if (FILE* out = std::fopen(impl_->file.c_str(), "ab")) {
            std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
    } catch (...) {
    }
}

void BasicLogger::deleteLogFile() {
    std::remove(impl_->file.c_str());
}

void BasicLogger::getSetting(const std::wstring&, uint32_t& value, uint32_t defaultValue) {
    value = defaultValue;
}

void BasicLogger::onLogFileMissing() {}

std::wstring BasicLogger::getLinePrefix(const LoggerComponent&, uint32_t, const wchar_t*) {
    return std::wstring();
}

std::wstring BasicLogger::getLineSuffix(const LoggerComponent&, uint32_t, const wchar_t*) {
    return std::wstring();
}

// Every level and component is on; the file's existence is the start gate.
bool BasicLogger::isEnabled(const LoggerComponent&, uint32_t) {
    return !g_loggingDisabled.load() && fileThere(impl_->file);
}

void BasicLogger::increaseDepth() {
    std::lock_guard<std::mutex> guard(impl_->lock);
    ++impl_->depths[threadId()];
}

void BasicLogger::decreaseDepth() {
    std::lock_guard<std::mutex> guard(impl_->lock);
    auto it = impl_->depths.find(threadId());
    if (it != impl_->depths.end() && --it->second <= 0)
        impl_->depths.erase(it);
}

int BasicLogger::getDepth(uint32_t id) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    auto it = impl_->depths.find(id);
    return it == impl_->depths.end() ? 0 : it->second;
}

const std::wstring& BasicLogger::getPath() const {
    return impl_->path;
}

// The log file under %ALLUSERSPROFILE%; without that folder there is no log.
BasicLogger* makeBasicLogger() {
    const char* profile = std::getenv("ALLUSERSPROFILE");
    std::wstring path;
    if (profile && *profile) {
        for (const char* c = profile; *c; ++c)
            path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        path += L"\\KIVlog.txt";
    }
    BasicLogger* logger = new BasicLogger(path, kNameWidth);
    BasicLogger* expected = nullptr;
    if (g_loggerInstance.compare_exchange_strong(expected, logger))
        return logger;
    delete logger;
    return nullptr;
}

std::wstring getErrorText(uint32_t code) {
    return L"Error getting message:" + std::to_wstring(code);
}

// The C library's parser reads the same forms as the Windows one (parts, octal,
// hexadecimal); the rules around it are the code under test.
bool systemDottedAddress(const char* text, uint32_t& hostOrder) {
    in_addr_t address = inet_addr(text);
    if (address == INADDR_NONE)
        return false;
    hostOrder = ntohl(address);
    return true;
}

// ---------------------------------------------------------------------------
// Initialization files, read the way the system reads them: "[name]" opens a
// section, "key=value" lines follow; names match without regard to case and
// the first section or key of a name wins; blanks around names and values go,
// and so does one pair of quotes around a whole value. A line starting with
// ";" is a comment only for the list of a section's keys: asked for by name,
// it is a key like any other. Lines without "=" are no entries. The file is
// read as 8-bit text.

namespace {

struct ProfileSection {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> entries;
};

std::wstring trimmed(const std::wstring& text) {
    size_t first = text.find_first_not_of(L" \t\r");
    if (first == std::wstring::npos)
        return std::wstring();
    size_t last = text.find_last_not_of(L" \t\r");
    return text.substr(first, last - first + 1);
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    }
    return true;
}

std::vector<ProfileSection> readProfile(const wchar_t* path) {
    std::vector<ProfileSection> sections;
    std::ifstream in(nativePath(path ? path : L""), std::ios::binary);
    std::string raw;
    while (std::getline(in, raw)) {
        std::wstring line;
        for (char c : raw)
            line += static_cast<wchar_t>(static_cast<unsigned char>(c));
        line = trimmed(line);
        if (line.empty())
            continue;
        if (line[0] == L'[') {
            size_t close = line.find(L']');
            sections.push_back(
                {trimmed(
                     line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1)),
                 {}});
            continue;
        }
        size_t equals = line.find(L'=');
        if (sections.empty() || equals == std::wstring::npos)
            continue;
        std::wstring value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') &&
            value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        sections.back().entries.push_back({trimmed(line.substr(0, equals)), value});
    }
    return sections;
}

// Copies text into buffer as the system does: cut to size - 1.
uint32_t copyString(const std::wstring& text, wchar_t* buffer, uint32_t size) {
    if (size == 0)
        return 0;
    uint32_t n = static_cast<uint32_t>(text.size() < size ? text.size() : size - 1);
    text.copy(buffer, n);
    buffer[n] = L'\0';
    return n;
}

// A list of names, each NUL-terminated, and a final NUL; one that does not fit
// is cut and returns size - 2.
uint32_t copyList(const std::vector<std::wstring>& names, wchar_t* buffer, uint32_t size) {
    std::wstring list;
    for (const std::wstring& name : names) {
        list += name;
        list += L'\0';
    }
    if (size < 2) {
        if (size == 1)
            buffer[0] = L'\0';
        return 0;
    }
    if (list.size() + 1 <= size) {
        list.copy(buffer, list.size());
        buffer[list.size()] = L'\0';
        return static_cast<uint32_t>(list.size());
    }
    list.copy(buffer, size - 2);
    buffer[size - 2] = L'\0';
    buffer[size - 1] = L'\0';
    return size - 2;
}

} // namespace

bool profileFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Times as 100 ns counts since the Unix epoch; the status change time stands
// in for the creation time, which stat does not give.
bool profileFileStamp(const std::wstring& path, ProfileMemo::Stamp& stamp) {
    struct stat st;
    if (::stat(nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    auto counts = [](const struct timespec& t) {
        return static_cast<uint64_t>(t.tv_sec) * 10000000u +
               static_cast<uint64_t>(t.tv_nsec) / 100u;
    };
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.created = counts(st.st_ctim);
    stamp.written = counts(st.st_mtim);
    stamp.askedAt = counts(now);
    return true;
}

uint32_t profileSectionNames(wchar_t* buffer, uint32_t size, const wchar_t* path) {
    std::vector<std::wstring> names;
    for (const ProfileSection& section : readProfile(path))
        names.push_back(section.name);
    return copyList(names, buffer, size);
}

uint32_t profileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, uint32_t size, const wchar_t* path) {
    std::vector<ProfileSection> sections = readProfile(path);
    for (const ProfileSection& s : sections) {
        if (!section || !sameName(s.name, section))
            continue;
        if (!key) {
            std::vector<std::wstring> names;
            for (const auto& entry : s.entries) {
                if (entry.first.compare(0, 1, L";") != 0)
                    names.push_back(entry.first);
            }
            return copyList(names, buffer, size);
        }
        for (const auto& entry : s.entries) {
            if (sameName(entry.first, key))
                return copyString(entry.second, buffer, size);
        }
        break;
    }
    if (!key)
        return copyList({}, buffer, size);
    return copyString(fallback ? fallback : L"", buffer, size);
}
