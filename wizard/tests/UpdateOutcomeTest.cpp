#include "UpdateOutcome.h"

#include "IUpdater.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

// Answers the worker's calls from a script and records them in order.
class ScriptedSteps : public UpdateOutcome::Steps {
public:
    ScriptedSteps(std::deque<int32_t> updates, std::deque<int> pages)
        : updates_(std::move(updates)), pages_(std::move(pages)) {}

    int32_t update(bool consent) override {
        trace += consent ? "update(consent) " : "update ";
        return next(updates_);
    }
    int showConsentPage() override { return page("consent"); }
    int showRevisionPage() override { return page("revision"); }
    int showErrorPage(int kind) override { return page("error" + std::to_string(kind)); }
    void reportDone() override { trace += "100"; }

    std::string trace;

private:
    template <class T> T next(std::deque<T>& script) {
        EXPECT_FALSE(script.empty()) << "unscripted call after: " << trace;
        if (script.empty())
            return T();
        T value = script.front();
        script.pop_front();
        return value;
    }
    int page(const std::string& name) {
        trace += name + " ";
        return next(pages_);
    }

    std::deque<int32_t> updates_;
    std::deque<int> pages_;
};

struct Case {
    std::deque<int32_t> updates;
    std::deque<int> pageAnswers;
    uint32_t exitCode;
    std::string trace;
};

void expectOutcome(const Case& c) {
    ScriptedSteps steps(c.updates, c.pageAnswers);
    EXPECT_EQ(UpdateOutcome::run(steps), c.exitCode) << c.trace;
    // 100 percent comes once, and only after every page has closed.
    EXPECT_EQ(steps.trace, c.trace);
}

const int32_t kOk = IUpdater::UpdateOk;
const int32_t kConsent = IUpdater::UpdateConsentNeeded;
const int32_t kMismatch = IUpdater::UpdateRevisionMismatch;
const int32_t kNoAnswer = IUpdater::UpdateUnreachable;
const int32_t kFailed = IUpdater::UpdateFailed;
const int kNotShown = -1; // a page that could not be created

} // namespace

TEST(UpdateOutcome, UpdatedAtOnceOrAfterConsent) {
    expectOutcome({{kOk}, {}, UpdateOutcome::Updated, "update 100"});
    expectOutcome(
        {{kConsent, kOk}, {1}, UpdateOutcome::Updated, "update consent update(consent) 100"});
}

TEST(UpdateOutcome, ConsentNotGivenIsRefusedWithoutAskingTheEngineAgain) {
    for (int answer : {2, 8, kNotShown})
        expectOutcome({{kConsent}, {answer}, UpdateOutcome::ConsentRefused, "update consent 100"});
}

TEST(UpdateOutcome, NoAnswerLetsTheUserGiveUpOrTryAgain) {
    const std::string afterFirst = "update error11 100";
    // Giving up is no failed flash: nothing was sent.
    expectOutcome({{kNoAnswer}, {1}, UpdateOutcome::NoAnswerGivenUp, afterFirst});
    expectOutcome({{kNoAnswer}, {2}, UpdateOutcome::TryAgain, afterFirst});
    expectOutcome({{kNoAnswer}, {8}, UpdateOutcome::NoAnswerUnresolved, afterFirst});
    expectOutcome({{kNoAnswer}, {kNotShown}, UpdateOutcome::NoAnswerUnresolved, afterFirst});
    // The same page after consent, when the second attempt finds no printer.
    const std::string afterConsent = "update consent update(consent) error11 100";
    expectOutcome({{kConsent, kNoAnswer}, {1, 2}, UpdateOutcome::TryAgain, afterConsent});
    expectOutcome({{kConsent, kNoAnswer}, {1, 1}, UpdateOutcome::NoAnswerGivenUp, afterConsent});
}

TEST(UpdateOutcome, OtherFailuresShowTheirPageAndFail) {
    // A revision the printer refuses: nothing was sent, which the flow tells.
    expectOutcome({{kMismatch}, {1}, UpdateOutcome::Refused, "update revision 100"});
    expectOutcome({{kFailed}, {1}, UpdateOutcome::Failed, "update error4 100"});
    expectOutcome({{kConsent, kMismatch},
                   {1, 1},
                   UpdateOutcome::Failed,
                   "update consent update(consent) error4 100"});
    // A printer another update holds is not told to be turned off.
    const int32_t inUse = IUpdater::UpdateInUse;
    expectOutcome({{inUse}, {1}, UpdateOutcome::Failed, "update error12 100"});
    expectOutcome({{kConsent, inUse},
                   {1, 1},
                   UpdateOutcome::Failed,
                   "update consent update(consent) error12 100"});
    // A page that cannot be shown does not change a failure into anything else.
    expectOutcome({{kFailed}, {kNotShown}, UpdateOutcome::Failed, "update error4 100"});
}

TEST(UpdateOutcome, OnlyTheCodeOfAWorkerSeenToEndCounts) {
    EXPECT_EQ(UpdateOutcome::afterWait(true, true, UpdateOutcome::Updated), UpdateOutcome::Updated);
    EXPECT_EQ(UpdateOutcome::afterWait(true, true, UpdateOutcome::TryAgain),
              UpdateOutcome::TryAgain);
    // A failed wait, an unreadable code, or the code of a thread still running.
    EXPECT_EQ(UpdateOutcome::afterWait(false, true, UpdateOutcome::Updated), UpdateOutcome::Failed);
    EXPECT_EQ(UpdateOutcome::afterWait(true, false, UpdateOutcome::Updated), UpdateOutcome::Failed);
    EXPECT_EQ(UpdateOutcome::afterWait(true, true, 259), UpdateOutcome::Failed);
}
