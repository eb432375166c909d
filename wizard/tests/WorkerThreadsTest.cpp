// The worker threads for real, with engines that take their time: the
// published list is whole under a reader that polls hard, runs closed early
// lose no memory and touch none that was freed, the update worker's pages
// are its own, and reportProgress handles at most one message.
#include "FakeUpdater.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "ProgressValue.h"
#include "TestSupport.h"
#include "UpdateOutcome.h"
#include "WizardContext.h"
#include "WizardFlow.h"
#include "WorkerThreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace {

// Enumerates slowly, one record at a time, and knows which of its arrays
// are alive: an enumeration that finds its array freed under it counts.
class SlowEngine : public FakeUpdater {
public:
    int perEnumeration = 50;
    std::atomic<int> running{0};
    std::atomic<int> touchedFreed{0};

    int32_t enumerateCompatibleDevices(KIVOptions*, KIVDeviceArray* devices,
                                       IpAddressArray*) override {
        ++running;
        for (int i = 0; i < perEnumeration; ++i) {
            if (i % 10 == 0)
                ::Sleep(1);
            std::lock_guard<std::mutex> guard(lock_);
            if (!live_.count(devices))
                ++touchedFreed;
            records_.emplace_back(new KIVDevice());
            records_.back()->setName(L"P" + std::to_wstring(i));
            devices->push_back(records_.back().get());
        }
        --running;
        return 0;
    }
    void createDeviceArray(KIVDeviceArray** out) override {
        std::lock_guard<std::mutex> guard(lock_);
        *out = new KIVDeviceArray();
        live_.insert(*out);
        ++arraysMade;
    }
    void freeDeviceArray(KIVDeviceArray** array) override {
        std::lock_guard<std::mutex> guard(lock_);
        live_.erase(*array);
        delete *array;
        *array = nullptr;
        ++arraysFreed;
    }

private:
    std::mutex lock_;
    std::set<KIVDeviceArray*> live_;
    std::vector<std::unique_ptr<KIVDevice>> records_;
};

// Error pages answered from a script, remembering the thread they ran on.
class ErrorPages : public PageHost {
public:
    std::vector<PageKind> shown;
    int32_t answer = PageConfirm;
    DWORD thread = 0;
    PageOutcome show(const PageRequest& request, WizardContext&) override {
        shown.push_back(request.kind);
        thread = ::GetCurrentThreadId();
        return PageOutcome{request.kind == PageKind::Welcome ? PageClosed : answer, {}, {}};
    }
};

TEST(EnumerationWorker, PublishedListIsAlwaysWholeUnderAPollingReader) {
    SlowEngine engine;
    engine.perEnumeration = 300;
    KIVOptions options;
    WizardContext context(&options, &engine);
    ErrorPages pages;
    std::atomic<bool> done{false};
    std::atomic<long> reads{0}, torn{0};
    {
        WorkerThreads workers(pages);
        std::thread reader([&] {
            while (!done) {
                const std::vector<KIVDevice*> seen = context.devices();
                ++reads;
                if (!seen.empty() && seen.size() != 300u)
                    ++torn;
                for (size_t i = 0; i < seen.size(); ++i)
                    if (!seen[i] || seen[i]->getName() != L"P" + std::to_wstring(i))
                        ++torn;
            }
        });
        for (int i = 0; i < 10; ++i)
            workers.startEnumeration(context);
        workers.waitEnumerations();
        done = true;
        reader.join();
        EXPECT_EQ(context.deviceCount(), 300u);
    }
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 10);
    EXPECT_EQ(engine.arraysMade, engine.arraysFreed);
}

TEST(EnumerationWorker, RunsClosedWhileEnumeratingLoseAndTouchNothingFreed) {
    SlowEngine engine;
    for (int round = 0; round < 150; ++round) {
        KIVOptions options;
        WizardContext context(&options, &engine);
        ErrorPages pages; // closes the Welcome page at once
        WorkerThreads workers(pages);
        context.enumerations = &workers;
        WizardFlow::Environment env{
            &pages,  &workers, &engine, &options,
            nullptr, 1,        nullptr, [](KIVOptions*, const std::wstring&) {},
            nullptr};
        WizardFlow flow(env, context);
        if (round % 2)
            workers.startEnumeration(context); // a re-scan of the Select-device page
        MethodTrace trace(LogGUIMode, L"GuiMode::executeUpdateMode(): ");
        ASSERT_EQ(flow.run(trace), 0);
        ASSERT_EQ(engine.running, 0) << "the run returned before its worker ended";
    }
    EXPECT_EQ(engine.touchedFreed, 0);
    EXPECT_EQ(engine.arraysMade, engine.arraysFreed);
}

// An array the engine cannot make, or a thread that cannot start: either
// way the result is known at once to be empty, and the log says why.
TEST(EnumerationWorker, ASearchThatCannotRunEndsAtOnceWithNothingFound) {
    struct NoArrays : FakeUpdater {
        void createDeviceArray(KIVDeviceArray** out) override { *out = nullptr; }
    } engine;
    ScopedTestLog log;
    KIVOptions options;
    WizardContext context(&options, &engine);
    EnumerationWorkers workers;
    workers.startEnumeration(context);
    EXPECT_TRUE(context.enumerationEnded());
    EXPECT_EQ(context.deviceCount(), 0u);
    const std::vector<std::string> lines = log.texts();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("EnumerationWorkers::startEnumeration(): Unable "
                                                 "to make a device array") != std::string::npos;
                            }),
              1);
}

TEST(EnumerationWorker, ReScansFreeTheArraysOfEarlierSearches) {
    SlowEngine engine;
    engine.perEnumeration = 5;
    KIVOptions options;
    WizardContext context(&options, &engine);
    {
        EnumerationWorkers workers;
        for (int i = 0; i < 5; ++i) {
            workers.startEnumeration(context);
            workers.waitAll();
        }
        EXPECT_EQ(engine.arraysMade - engine.arraysFreed, 1) << "only the newest is kept";
        EXPECT_EQ(context.deviceCount(), 5u);
    }
    EXPECT_EQ(engine.arraysMade, engine.arraysFreed);
}

std::vector<int> g_reported;
void recordProgress(int percent) {
    g_reported.push_back(percent);
}

// First attempt: the given result; with consent: the second one.
class AskingEngine : public FakeUpdater {
public:
    int32_t first = UpdateConsentNeeded;
    int32_t second = UpdateOk;
    int32_t update(KIVOptions*, int32_t, ProgressCallback progress, bool consent) override {
        sprAnsweredSeen.push_back(consent);
        progress(40);
        return consent ? second : first;
    }
};

TEST(UpdateWorker, ShowsItsPagesOnItsOwnThreadAndEndsWithTheirExitCode) {
    const struct {
        int32_t first, second, answer;
        std::vector<PageKind> pages;
        uint32_t code;
    } cases[] = {
        {IUpdater::UpdateConsentNeeded, IUpdater::UpdateOk, PageConfirm, {PageKind::ErrorSPR}, 0},
        {IUpdater::UpdateUnreachable, 0, PageSecond, {PageKind::Error}, UpdateOutcome::TryAgain},
        {IUpdater::UpdateRevisionMismatch,
         0,
         PageConfirm,
         {PageKind::ErrorRevision},
         UpdateOutcome::Refused},
        {IUpdater::UpdateOk, 0, PageConfirm, {}, 0},
    };
    for (const auto& c : cases) {
        AskingEngine engine;
        engine.first = c.first;
        engine.second = c.second;
        KIVOptions options;
        WizardContext context(&options, &engine);
        ErrorPages pages;
        pages.answer = c.answer;
        KIVDevice device;
        g_reported.clear();
        WorkerThreads workers(pages);
        ASSERT_TRUE(workers.startUpdate(
            UpdateJob{&device, &options, &engine, 0, &recordProgress, &context}));
        EXPECT_EQ(workers.waitUpdate(), c.code);
        EXPECT_EQ(pages.shown, c.pages);
        if (!c.pages.empty()) {
            EXPECT_NE(pages.thread, ::GetCurrentThreadId());
        }
        ASSERT_FALSE(g_reported.empty());
        EXPECT_EQ(g_reported.back(), 100) << "100 comes after the last page";
    }
}

LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP)
        ++*reinterpret_cast<int*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(ReportProgress, StoresThePercentAndHandlesAtMostOneMessage) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &countingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KivProgressPumpTest";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int handled = 0;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
    for (int i = 0; i < 3; ++i)
        ::PostMessageW(window, WM_APP, 0, 0);
    reportProgress(42);
    EXPECT_EQ(progressValue(), 42);
    EXPECT_EQ(handled, 1);
    reportProgress(43);
    EXPECT_EQ(handled, 2);
    reportProgress(43);
    EXPECT_EQ(handled, 3);
    ::PostQuitMessage(5);
    reportProgress(44);
    MSG message;
    EXPECT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "a quit request is left for the thread's own loop";
    ::DestroyWindow(window);
}

} // namespace
