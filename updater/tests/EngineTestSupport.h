// Fixture of the engine tests: a config.ini written per test, options with a
// package folder, a real logger whose lines the tests read back, and an
// ISDUpdater running on a fake communication object and a fake clock.
#pragma once

#include "EngineFakes.h"
#include "ISDUpdater.h"
#include "KIVOptions.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// config.ini as lines of section, key and value, written in section order.
class ConfigText {
public:
    ConfigText();
    void set(const std::string& key, const std::string& value,
             const std::string& section = "Extra");
    void remove(const std::string& key);
    // Replaces the whole UpdateSequence section, keeping the given order.
    void sequence(const std::vector<std::pair<std::string, std::string>>& steps);
    std::string text() const;

private:
    struct Entry {
        std::string section, key, value;
    };
    std::vector<Entry> entries_;
};

struct ProgressReport {
    int percent;
    int64_t ms;
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest();
    ~EngineTest() override;

    // The version reply of a printer carrying the given AIO version.
    static Bytes versionWith(const std::string& aio);

    void addDevice(const std::wstring& name, int32_t type);
    void addPackageFile(const std::wstring& name);
    void writeConfig();
    int32_t runUpdate(bool sprAnswered = false);
    std::wstring deviceVersion();

    // Log line texts without the header and the depth indentation.
    std::vector<std::string> lines() const;
    size_t logged(const std::string& text) const;
    // Position of the first line equal to text at or after from; -1 when none.
    int lineIndex(const std::string& text, int from = 0) const;

    static std::vector<ProgressReport> progress;
    static void recordProgress(int percent);
    static FakeClock* activeClock; // the running test's clock, for recordProgress

    TempFolder folder_;
    ScopedTestLog log_;
    FakeClock clock_;
    FakeComTarget* com_; // owned by updater_
    int comDestroyed_ = 0;
    std::unique_ptr<ISDUpdater> updater_;
    KIVOptions options_;
    ConfigText config_;
    int64_t startMs_ = 0;
};
