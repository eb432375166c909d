// Started by the multi-process logging test: logs numbered lines from several
// threads into one file, the way a second module or process would.
// Usage: log_writer_helper <log path> <tag> <threads> <lines per thread>
#include "BasicLogger.h"
#include "ScopedHandle.h"

#include <cwchar>
#include <string>
#include <thread>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5)
        return 2;
    std::wstring path = argv[1];
    std::wstring tag = argv[2];
    int threads = std::wcstol(argv[3], nullptr, 10);
    int lines = std::wcstol(argv[4], nullptr, 10);
    BasicLogger logger(path, 25);
    // All writers start together so that they contend from the first line.
    ScopedKernelHandle go(CreateEventW(nullptr, TRUE, FALSE, (L"KIVTEST_GO_" + tag).c_str()));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            WaitForSingleObject(go.get(), 10000);
            for (int i = 0; i < lines; ++i) {
                std::wstring text = tag + L" t" + std::to_wstring(t) + L" n" + std::to_wstring(i) +
                                    L" " + std::wstring(60, L'x') + L"|";
                logger.log(LogKIVInit, LogLevelMessage, text);
            }
        });
    }
    SetEvent(go.get());
    for (std::thread& w : workers)
        w.join();
    return 0;
}
