// Figures of the launcher's start-up: time from process start to "Resource
// initialization successful!" (read from the log's time stamps), the whole
// run of a program that stops right after unpacking, and the peak memory.
// Each logged run is paired with three starts of a program that does nothing
// (the launcher and its two package programs are three starts), run right
// before it, so that the pair sees the same load on the machine.
// Usage: launcher_bench KIV.exe trivial.exe [runs]
#include "WindowsSupport.h"

#include "ScopedHandle.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct RunFigures {
    double toResourcesMs = -1; // process creation to the log line
    double wallMs = 0;         // CreateProcess to exit
    double peakMiB = 0;        // peak working set of the launcher itself
};

std::wstring folder(const std::wstring& name) {
    std::wstring dir = L"Z:\\tmp\\" + name + L"_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::string readAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "2026/12/07-09:41:03.123 " at the start of a log line, as local milliseconds.
bool parseStamp(const std::string& line, long long& ms) {
    int y, mo, d, h, mi, s, milli;
    if (std::sscanf(line.c_str(), "%d/%d/%d-%d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &milli) != 7)
        return false;
    SYSTEMTIME st{};
    st.wYear = WORD(y), st.wMonth = WORD(mo), st.wDay = WORD(d);
    st.wHour = WORD(h), st.wMinute = WORD(mi), st.wSecond = WORD(s), st.wMilliseconds = WORD(milli);
    FILETIME ft;
    if (!::SystemTimeToFileTime(&st, &ft))
        return false;
    ms = ((static_cast<long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
    return true;
}

long long localMs(FILETIME utc) {
    FILETIME local;
    ::FileTimeToLocalFileTime(&utc, &local);
    return ((static_cast<long long>(local.dwHighDateTime) << 32) | local.dwLowDateTime) / 10000;
}

void setLogSwitch(bool on) {
    HKEY k = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Oskel", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    DWORD one = 1;
    if (on)
        ::RegSetValueExW(k, L"kivlog", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), sizeof(one));
    else
        ::RegDeleteValueW(k, L"kivlog");
    ::RegCloseKey(k);
}

RunFigures runOnce(const std::wstring& exe, const std::wstring& temp, const std::wstring& profile) {
    RunFigures f;
    std::wstring log = profile + L"\\KIVlog.txt";
    ::DeleteFileW(log.c_str());
    ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    ::SetEnvironmentVariableW(L"TMP", temp.c_str());
    ::SetEnvironmentVariableW(L"ALLUSERSPROFILE", profile.c_str());
    std::wstring cmd = L"\"" + exe + L"\" -m 2";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    if (!::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return f;
    ScopedKernelHandle process(pi.hProcess), thread(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    ::QueryPerformanceCounter(&t1);
    f.wallMs = double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart);
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    if (::GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof(pmc)))
        f.peakMiB = double(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(pi.hProcess, &created, &exited, &kernel, &user);
    std::string text = readAll(log);
    size_t at = text.find("Resource initialization successful!");
    if (at != std::string::npos) {
        size_t start = text.rfind('\n', at);
        long long stamp = 0;
        if (parseStamp(text.substr(start == std::string::npos ? 0 : start + 1), stamp))
            f.toResourcesMs = double(stamp - localMs(created));
    }
    return f;
}

// Three starts, one after the other, of a program that does nothing.
double threeStarts(const std::wstring& trivial) {
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < 3; ++i) {
        std::wstring cmd = L"\"" + trivial + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(trivial.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &si, &pi))
            return -1;
        ScopedKernelHandle process(pi.hProcess), thread(pi.hThread);
        ::WaitForSingleObject(pi.hProcess, INFINITE);
    }
    ::QueryPerformanceCounter(&t1);
    return double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: launcher_bench KIV.exe trivial.exe [runs]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring trivial = argv[2];
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    const std::wstring temp = folder(L"kivbench_temp");
    const std::wstring profile = folder(L"kivbench_profile");

    std::vector<double> toResources, wallLogged, wallQuiet, peak, starts;
    setLogSwitch(true);
    for (int i = 0; i < runs; ++i) {
        const double three = threeStarts(trivial);
        RunFigures f = runOnce(exe, temp, profile);
        if (f.toResourcesMs >= 0)
            toResources.push_back(f.toResourcesMs);
        wallLogged.push_back(f.wallMs);
        peak.push_back(f.peakMiB);
        starts.push_back(three);
        // One line per pair, for the script that adds the native unzip.
        std::printf("pair %d: start to unpacked %.1f ms, three trivial starts %.1f ms\n", i + 1,
                    f.toResourcesMs, three);
    }
    setLogSwitch(false);
    for (int i = 0; i < runs; ++i)
        wallQuiet.push_back(runOnce(exe, temp, profile).wallMs);

    std::printf("launcher start-up, %d runs each (median):\n", runs);
    std::printf("  process start -> \"Resource initialization successful!\": %8.1f ms"
                " (log on, %zu of %d runs logged the line)\n",
                median(toResources), toResources.size(), runs);
    std::printf("  three starts of a program that does nothing:            %8.1f ms\n",
                median(starts));
    std::printf("  whole run, log on:                                      %8.1f ms\n",
                median(wallLogged));
    std::printf("  whole run, log off:                                     %8.1f ms\n",
                median(wallQuiet));
    // Some platforms do not report another process's counters (then 0); the
    // run-launcher.sh script adds the peak resident size seen from outside.
    if (median(peak) > 0)
        std::printf("  peak working set of KIV.exe:                            %8.1f MiB\n",
                    median(peak));
    return toResources.empty() ? 1 : 0;
}
