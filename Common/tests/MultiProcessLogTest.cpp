#include "BasicLogger.h"
#include "ScopedHandle.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {

const int kThreads = 4;
const int kLines = 300;

ScopedKernelHandle startWriter(const std::wstring& logPath, const std::wstring& tag) {
    std::wstring exe = exeFolder() + L"log_writer_helper.exe";
    std::wstring command = L"\"" + exe + L"\" \"" + logPath + L"\" " + tag + L" " +
                           std::to_wstring(kThreads) + L" " + std::to_wstring(kLines);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return ScopedKernelHandle();
    CloseHandle(info.hThread);
    return ScopedKernelHandle(info.hProcess);
}

TEST(LoggerMultiProcess, TwoProcessesManyThreadsNoLineLostOrInterleaved) {
    TempFolder folder;
    std::wstring path = folder.path() + L"shared.txt";
    writeFileBytes(path, "");
    ScopedKernelHandle first = startWriter(path, L"P1");
    ScopedKernelHandle second = startWriter(path, L"P2");
    ASSERT_TRUE(first.valid() && second.valid()) << "helper did not start";
    HANDLE both[] = {first.get(), second.get()};
    ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, 240000), WAIT_OBJECT_0);
    for (HANDLE h : both) {
        DWORD code = 1;
        GetExitCodeProcess(h, &code);
        EXPECT_EQ(code, 0u);
    }

    bool crlf = false;
    std::vector<std::string> lines = splitCrLf(readFileBytes(path), &crlf);
    EXPECT_TRUE(crlf);
    ASSERT_EQ(lines.size(), static_cast<size_t>(2 * kThreads * kLines));
    const std::string tail = " " + std::string(60, 'x') + "|";
    std::map<std::string, int> nextIndex; // per process and thread
    int bad = 0;
    for (const std::string& line : lines) {
        char process[8] = {};
        int thread = -1, index = -1, used = 0;
        std::string text = line.size() > 50 ? line.substr(50) : std::string();
        if (line.substr(24, 26) != "KIVInit                   " ||
            std::sscanf(text.c_str(), "%2s t%d n%d%n", process, &thread, &index, &used) != 3 ||
            text.substr(static_cast<size_t>(used)) != tail) {
            if (++bad < 5)
                ADD_FAILURE() << "malformed line: " << line;
            continue;
        }
        std::string writer = std::string(process) + "/" + std::to_string(thread);
        // Each thread writes in order, so its lines appear in order.
        EXPECT_EQ(index, nextIndex[writer]) << writer;
        nextIndex[writer] = index + 1;
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(nextIndex.size(), static_cast<size_t>(2 * kThreads));
    for (const auto& writer : nextIndex)
        EXPECT_EQ(writer.second, kLines) << writer.first;
}

} // namespace
