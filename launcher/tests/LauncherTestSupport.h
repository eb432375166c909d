// Helpers of the launcher tests: test folders under Z:\tmp (so that the Unix
// side, where links are made, knows the same path), files, registry values and
// child processes with a controlled environment.
#pragma once

#include "WindowsSupport.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kivtest {

// A fresh folder Z:\tmp\<prefix>_<pid>_<n>\ (with trailing backslash); its
// Unix path is the same below /tmp.
std::wstring makeTestFolder(const std::wstring& prefix);
std::string unixPath(const std::wstring& windowsPath);
// Removes a test folder. Links in it must have been removed with unlinkUnix.
void removeTree(const std::wstring& dir);

bool makeDir(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& data);
std::string readFile(const std::wstring& path);
bool exists(const std::wstring& path);
// Every file and folder below dir, relative, '\' separated.
std::set<std::wstring> listTree(const std::wstring& dir);
std::vector<std::wstring> subfolders(const std::wstring& dir);

// A Unix symbolic link, made and removed by the Unix tools (the platform's own
// link calls are not available everywhere).
bool linkUnix(const std::string& target, const std::string& link);
bool unlinkUnix(const std::string& link);

void setRegDword(const wchar_t* key, const wchar_t* name, DWORD value);
void setRegValue(const wchar_t* key, const wchar_t* name, DWORD type, const std::string& data);
void deleteRegValue(const wchar_t* key, const wchar_t* name);
void deleteRegKey(const wchar_t* key);
bool readRegString(const wchar_t* key, const wchar_t* name, std::wstring& out, DWORD& bytes);

// Environment changes for a child: a value, or unset when the optional is absent.
struct EnvChange {
    std::wstring name;
    bool unset;
    std::wstring value;
};

struct ChildResult {
    DWORD exitCode = 0xFFFFFFFFu;
    std::string output; // standard output
    DWORD elapsedMs = 0;
};

ChildResult runChild(const std::wstring& exe, const std::wstring& args,
                     const std::vector<EnvChange>& env, const std::wstring& workDir,
                     DWORD timeoutMs = 120000);

// A child that runs while the test goes on; its output goes to outputName in
// workDir until finish(). desktop, as "station\\desktop", starts it there.
class ChildProcess {
public:
    ChildProcess(const std::wstring& exe, const std::wstring& args,
                 const std::vector<EnvChange>& env, const std::wstring& workDir,
                 const std::wstring& outputName = L"child-stdout.txt",
                 const std::wstring& desktop = std::wstring());
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool started() const { return process_ != nullptr; }
    bool running() const;
    // Waits (ending the child after timeoutMs) and collects its result.
    ChildResult finish(DWORD timeoutMs = 120000);

private:
    HANDLE process_ = nullptr;
    HANDLE output_ = INVALID_HANDLE_VALUE;
    std::wstring outPath_;
    DWORD start_ = 0;
};

// Whether a program's bytes end with a certificate table (it was signed).
bool isSignedProgram(const std::string& bytes);

std::wstring widen(const char* utf8);
// A build path (forward slashes, as CMake writes them) in Windows form.
std::wstring windowsPath(const char* path);

} // namespace kivtest
