// Figures of the common library's logger: lines per second with logging on
// (one process, then two processes contending for the same file), the same
// for the bare system calls that a line needs whatever writes it (its floor
// on this platform), and the cost of a trace scope while logging is off.
#include "BasicLogger.h"
#include "MethodTrace.h"
#include "ScopedHandle.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<long long> g_allocations{0};

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

template <class Writer> void writeLines(Writer& logger, const wchar_t* tag, int lines) {
    std::wstring text = std::wstring(tag) + L" benchmark line with some text in it: ";
    for (int i = 0; i < lines; ++i) {
        MsgText line(text);
        line << int32_t(i);
        logger.log(LogKIVInit, LogLevelMessage, line.str());
    }
}

// What every line costs without the logger: the named lock, the file opened
// for appending and closed again (so that other programs may read, rename or
// delete it between lines), one write. The same lock as the logger's.
class BareLines {
public:
    static const char* label() { return "bare calls"; }
    static const wchar_t* child() { return L"barechild"; }
    BareLines(const std::wstring& path, int)
        : path_(path), lock_(CreateMutexW(nullptr, FALSE, BasicLogger::lockNameFor(path).c_str())) {
    }
    void log(const LoggerComponent&, uint32_t, const std::wstring& text) {
        // About as long as a logger's line of the same text.
        std::string bytes(kHeaderWidth + text.size() + 2, 'x');
        WaitForSingleObject(lock_.get(), INFINITE);
        ScopedFileHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        file.reset();
        ReleaseMutex(lock_.get());
    }

private:
    static const size_t kHeaderWidth = 50; // clock, component name, indent
    std::wstring path_;
    ScopedKernelHandle lock_;
};

std::wstring tempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, n) + name;
}

void createEmpty(const std::wstring& path) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Child: wait for the go signal, then log.
template <class Writer>
int runChild(const std::wstring& path, int lines, const std::wstring& event) {
    Writer logger(path, 25);
    ScopedKernelHandle go(OpenEventW(SYNCHRONIZE, FALSE, event.c_str()));
    if (!go.valid())
        return 3;
    WaitForSingleObject(go.get(), 60000);
    writeLines(logger, L"child", lines);
    return 0;
}

// The logger as the benchmark drives it.
struct Logger : BasicLogger {
    static const char* label() { return "logging on"; }
    static const wchar_t* child() { return L"child"; }
    Logger(const std::wstring& path, int nameWidth) : BasicLogger(path, nameWidth) {}
};

template <class Writer> void oneProcess(int lines, int threads) {
    std::wstring path = tempFile(L"kiv_bench_one.txt");
    createEmpty(path);
    {
        Writer logger(path, 25);
        LARGE_INTEGER start = now();
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&] { writeLines(logger, L"one", lines / threads); });
        for (std::thread& w : workers)
            w.join();
        double s = seconds(start, now());
        std::printf("%s, 1 process, %d thread(s): %d lines in %.3f s = %.0f lines/s\n",
                    Writer::label(), threads, lines, s, lines / s);
    }
    DeleteFileW(path.c_str());
}

template <class Writer> void twoProcesses(int linesEach) {
    std::wstring path = tempFile(L"kiv_bench_two.txt");
    createEmpty(path);
    std::wstring event = L"KIV_BENCH_GO_" + std::to_wstring(GetCurrentProcessId());
    ScopedKernelHandle go(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    wchar_t self[MAX_PATH + 1];
    GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + Writer::child() + L" \"" + path +
                           L"\" " + std::to_wstring(linesEach) + L" " + event;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        std::printf("two processes: the second process did not start (%lu)\n", GetLastError());
        return;
    }
    ScopedKernelHandle process(info.hProcess);
    ScopedKernelHandle thread(info.hThread);
    {
        Writer logger(path, 25);
        Sleep(500); // let the child reach its wait
        LARGE_INTEGER start = now();
        SetEvent(go.get());
        writeLines(logger, L"parent", linesEach);
        WaitForSingleObject(process.get(), INFINITE);
        double s = seconds(start, now());
        std::printf("%s, 2 processes contending: %d lines in %.3f s = %.0f lines/s\n",
                    Writer::label(), 2 * linesEach, s, 2 * linesEach / s);
    }
    DeleteFileW(path.c_str());
}

void scopeCostWhileOff(int iterations) {
    BasicLogger* logger = makeBasicLogger();
    if (!BasicLogger::isDisabled()) {
        std::printf("trace scope while off: skipped, the kivlog switch is on in this prefix\n");
        delete logger;
        return;
    }
    long long allocationsBefore = g_allocations.load();
    LARGE_INTEGER start = now();
    for (int i = 0; i < iterations; ++i) {
        MethodTrace trace(LogKIVInit, L"Bench::scope(): ");
        trace.message(L"iteration ", int32_t(i), L" of ", int32_t(iterations));
        trace.setResult(L"0");
    }
    double s = seconds(start, now());
    long long allocations = g_allocations.load() - allocationsBefore;
    std::printf("trace scope + message while logging is off: %.2f ns per scope "
                "(%d scopes), %lld allocations\n",
                s * 1e9 / iterations, iterations, allocations);
    delete logger;
}

} // namespace

void* operator new(size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 5 && std::wstring(argv[1]) == Logger::child())
        return runChild<Logger>(argv[2], std::wcstol(argv[3], nullptr, 10), argv[4]);
    if (argc == 5 && std::wstring(argv[1]) == BareLines::child())
        return runChild<BareLines>(argv[2], std::wcstol(argv[3], nullptr, 10), argv[4]);
    int lines = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 5000;
    if (lines <= 0)
        lines = 5000;
    // Each figure right after its floor, so that both see the same load.
    oneProcess<BareLines>(lines, 1);
    oneProcess<Logger>(lines, 1);
    oneProcess<BareLines>(lines, 4);
    oneProcess<Logger>(lines, 4);
    twoProcesses<BareLines>(lines);
    twoProcesses<Logger>(lines);
    scopeCostWhileOff(10000000);
    std::fflush(stdout);
    return 0;
}
