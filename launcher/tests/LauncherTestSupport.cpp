#include "LauncherTestSupport.h"

#include "ScopedHandle.h"

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <iterator>

namespace kivtest {

std::wstring widen(const char* utf8) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], n);
    w.resize(w.size() - 1);
    return w;
}

std::wstring makeTestFolder(const std::wstring& prefix) {
    static int counter = 0;
    std::wstring dir = L"Z:\\tmp\\" + prefix + L"_" + std::to_wstring(::GetCurrentProcessId()) +
                       L"_" + std::to_wstring(++counter) + L"\\";
    removeTree(dir);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::string unixPath(const std::wstring& windowsPath) {
    std::string out;
    std::wstring p = windowsPath.substr(2); // drop "Z:"
    for (wchar_t c : p)
        out += c == L'\\' ? '/' : static_cast<char>(c);
    return out;
}

void removeTree(const std::wstring& dirIn) {
    std::wstring dir = dirIn;
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (find) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..")
                continue;
            std::wstring p = dir + L"\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue; // never through a link
            ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(p);
            else
                ::DeleteFileW(p.c_str());
        } while (::FindNextFileW(find.get(), &fd));
    }
    find.reset();
    ::SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(dir.c_str());
}

bool makeDir(const std::wstring& path) {
    return ::CreateDirectoryW(path.c_str(), nullptr) != 0;
}

void writeFile(const std::wstring& path, const std::string& data) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << data;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

void listInto(const std::wstring& dir, const std::wstring& rel, std::set<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (!find)
        return;
    do {
        std::wstring n = fd.cFileName;
        if (n == L"." || n == L"..")
            continue;
        out.insert(rel + n);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            listInto(dir + L"\\" + n, rel + n + L"\\", out);
    } while (::FindNextFileW(find.get(), &fd));
}

bool runUnix(const std::wstring& commandLine) {
    std::wstring cmd = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ScopedKernelHandle p(pi.hProcess), t(pi.hThread);
    // A Unix program's handle cannot be waited for everywhere; callers poll
    // for the program's effect instead.
    ::WaitForSingleObject(pi.hProcess, 10000);
    return true;
}

std::wstring windowsOf(const std::string& unix) {
    std::wstring w = L"Z:" + widen(unix.c_str());
    for (wchar_t& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

bool waitFor(const std::string& unix, bool present) {
    for (int i = 0; i < 100; ++i) {
        if (exists(windowsOf(unix)) == present)
            return true;
        ::Sleep(50);
    }
    return false;
}

} // namespace

std::set<std::wstring> listTree(const std::wstring& dirIn) {
    std::wstring dir = dirIn;
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    std::set<std::wstring> out;
    listInto(dir, L"", out);
    return out;
}

std::vector<std::wstring> subfolders(const std::wstring& dir) {
    std::vector<std::wstring> out;
    for (const std::wstring& e : listTree(dir))
        if (e.find(L'\\') == std::wstring::npos &&
            (::GetFileAttributesW((dir + e).c_str()) & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back(e);
    return out;
}

bool linkUnix(const std::string& target, const std::string& link) {
    std::wstring cmd = L"/bin/ln -s " + widen(target.c_str()) + L" " + widen(link.c_str());
    return runUnix(cmd) && waitFor(link, true);
}

bool unlinkUnix(const std::string& link) {
    return runUnix(L"/bin/rm -f " + widen(link.c_str())) && waitFor(link, false);
}

void setRegDword(const wchar_t* key, const wchar_t* name, DWORD value) {
    HKEY k = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                          nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    ::RegCloseKey(k);
}

void setRegValue(const wchar_t* key, const wchar_t* name, DWORD type, const std::string& data) {
    HKEY k = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                          nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size()));
    ::RegCloseKey(k);
}

void deleteRegValue(const wchar_t* key, const wchar_t* name) {
    HKEY k = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
        return;
    ::RegDeleteValueW(k, name);
    ::RegCloseKey(k);
}

void deleteRegKey(const wchar_t* key) {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
}

bool readRegString(const wchar_t* key, const wchar_t* name, std::wstring& out, DWORD& bytes) {
    HKEY k = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return false;
    wchar_t buf[512] = {};
    DWORD type = 0;
    bytes = sizeof(buf);
    LONG rc = ::RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes);
    ::RegCloseKey(k);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;
    out.assign(buf);
    return true;
}

namespace {

// The parent's environment with the changes applied, as a sorted block.
std::vector<wchar_t> environmentBlock(const std::vector<EnvChange>& changes) {
    std::map<std::wstring, std::wstring> vars; // keyed by upper-case name
    std::map<std::wstring, std::wstring> names;
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos)
            continue;
        std::wstring name = entry.substr(0, eq), key = name;
        std::transform(key.begin(), key.end(), key.begin(), ::towupper);
        vars[key] = entry.substr(eq + 1);
        names[key] = name;
    }
    ::FreeEnvironmentStringsW(block);
    for (const EnvChange& c : changes) {
        std::wstring key = c.name;
        std::transform(key.begin(), key.end(), key.begin(), ::towupper);
        if (c.unset) {
            vars.erase(key);
        } else {
            vars[key] = c.value;
            names[key] = c.name;
        }
    }
    std::vector<wchar_t> out;
    for (const auto& v : vars) {
        std::wstring entry = names[v.first] + L"=" + v.second;
        out.insert(out.end(), entry.begin(), entry.end());
        out.push_back(0);
    }
    out.push_back(0);
    return out;
}

} // namespace

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& args,
                           const std::vector<EnvChange>& env, const std::wstring& workDir,
                           const std::wstring& outputName, const std::wstring& desktop)
    : outPath_(workDir + outputName) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    output_ = ::CreateFileW(outPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output_;
    si.hStdError = output_;
    si.hStdInput = nullptr;
    std::wstring desktopName = desktop;
    if (!desktopName.empty())
        si.lpDesktop = &desktopName[0];
    const std::wstring command = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    std::vector<wchar_t> block = environmentBlock(env);
    PROCESS_INFORMATION pi{};
    start_ = ::GetTickCount();
    // Wine now and then fails a start when the new process dies before it is
    // set up; that says nothing of the program under test, so it is tried
    // again, as the launcher does with its package programs.
    for (int attempt = 1;; ++attempt) {
        std::wstring cmd = command;
        if (::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE,
                             CREATE_UNICODE_ENVIRONMENT, block.data(), workDir.c_str(), &si, &pi))
            break;
        const DWORD error = ::GetLastError();
        if (attempt == 3 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_BAD_EXE_FORMAT)
            return;
        ::Sleep(500);
        start_ = ::GetTickCount();
    }
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
}

ChildProcess::~ChildProcess() {
    if (process_)
        finish(0);
    if (output_ != INVALID_HANDLE_VALUE)
        ::CloseHandle(output_);
}

bool ChildProcess::running() const {
    return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

ChildResult ChildProcess::finish(DWORD timeoutMs) {
    ChildResult result;
    if (!process_)
        return result;
    ScopedKernelHandle p(process_);
    process_ = nullptr;
    if (::WaitForSingleObject(p.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(p.get(), 99);
        ::WaitForSingleObject(p.get(), 5000);
    }
    result.elapsedMs = ::GetTickCount() - start_;
    ::GetExitCodeProcess(p.get(), &result.exitCode);
    ::CloseHandle(output_);
    output_ = INVALID_HANDLE_VALUE;
    result.output = readFile(outPath_);
    ::DeleteFileW(outPath_.c_str());
    return result;
}

ChildResult runChild(const std::wstring& exe, const std::wstring& args,
                     const std::vector<EnvChange>& env, const std::wstring& workDir,
                     DWORD timeoutMs) {
    ChildProcess child(exe, args, env, workDir);
    return child.finish(timeoutMs);
}

bool isSignedProgram(const std::string& bytes) {
    auto le32 = [&bytes](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
        return v;
    };
    if (bytes.size() < 0x200 || bytes.compare(0, 2, "MZ") != 0)
        return false;
    size_t optional = le32(0x3C) + 24;
    if (optional + 160 > bytes.size())
        return false;
    bool plus = bytes[optional] == 0x0B && bytes[optional + 1] == 0x02;
    size_t security = optional + (plus ? 112 : 96) + 4 * 8;
    uint32_t offset = le32(security), length = le32(security + 4);
    return length > 0 && offset + static_cast<size_t>(length) == bytes.size();
}

std::wstring windowsPath(const char* path) {
    std::wstring w = widen(path);
    for (wchar_t& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

} // namespace kivtest
