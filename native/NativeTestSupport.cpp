// The tests' file and log helpers on the native build's file system.
#include "NativePath.h"
#include "TestSupport.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::wstring widen(const std::string& text) {
    std::wstring out;
    for (char c : text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

} // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kivtest_XXXXXX";
    if (!mkdtemp(&pattern[0]))
        std::abort();
    path_ = widen(pattern) + L"\\";
}

TempFolder::~TempFolder() {
    nftw(
        nativePath(path_).c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); },
        16, FTW_DEPTH | FTW_PHYS);
}

bool fileExists(const std::wstring& path) {
    struct stat info;
    return stat(nativePath(path).c_str(), &info) == 0;
}

void createFolder(const std::wstring& path) {
    mkdir(nativePath(path).c_str(), 0700);
}

std::string readFileBytes(const std::wstring& path) {
    std::ifstream in(nativePath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The log file created is the switch that turns the log on.
ScopedTestLog::ScopedTestLog() : hadProfile_(false), logger_(nullptr) {
    if (const char* old = std::getenv("ALLUSERSPROFILE")) {
        hadProfile_ = true;
        oldProfile_ = widen(old);
    }
    std::string folder = nativePath(folder_.path());
    folder.pop_back();
    setenv("ALLUSERSPROFILE", folder.c_str(), 1);
    path_ = folder_.path() + L"KIVlog.txt";
    writeFileBytes(path_, std::string());
    BasicLogger::clearDisabledForTesting();
    logger_ = makeBasicLogger();
}

ScopedTestLog::~ScopedTestLog() {
    delete logger_;
    if (hadProfile_)
        setenv("ALLUSERSPROFILE", nativePath(oldProfile_).c_str(), 1);
    else
        unsetenv("ALLUSERSPROFILE");
}
