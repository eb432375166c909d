#include "GuardedUpdateMode.h"
#include "NoThrow.h"
#include "TextCase.h"

#include <gtest/gtest.h>

#include <new>

// A locale's case rules would turn "\u00e9" into "\u00c9" on one machine and
// not on another; "\u0131" (dotless i) would even become an ASCII "I".
TEST(TextCase, OnlyAsciiLettersChange) {
    EXPECT_EQ(upperAscii(L"k206_g082511_0a-\u00e9z"), L"K206_G082511_0A-\u00e9Z");
    EXPECT_EQ(lowerAscii(L"VID_7B1E-\u00c9Z@[`{"), L"vid_7b1e-\u00c9z@[`{");
    EXPECT_TRUE(equalsIgnoringCase(L"Package", L"pACKAGE"));
    EXPECT_TRUE(equalsIgnoringCase(L"", L""));
    EXPECT_FALSE(equalsIgnoringCase(L"\u0131", L"I"));
    EXPECT_FALSE(equalsIgnoringCase(L"\u00e9", L"\u00c9"));
    // Same letters, one longer: not the same text.
    EXPECT_FALSE(equalsIgnoringCase(L"Common", L"Common "));
    EXPECT_FALSE(equalsIgnoringCase(L"@", L"`")); // 0x40 and 0x60 differ by the case bit
}

namespace {
class ThrowingMode : public GuardedUpdateMode {
public:
    ThrowingMode(bool inInitialize, bool inExecute)
        : GuardedUpdateMode(7, 14), inInitialize_(inInitialize), inExecute_(inExecute) {}
    IUpdater* getUpdater() override { return nullptr; }

private:
    int32_t initializeUnguarded(KIVOptions*) override { return inInitialize_ ? throw 1 : 0; }
    int32_t executeUnguarded(KIVOptions*) override {
        return inExecute_ ? throw std::bad_alloc() : 32;
    }
    bool inInitialize_, inExecute_;
};
} // namespace

// Whatever is thrown, the launcher gets the mode's failure result instead.
TEST(GuardedUpdateMode, AThrowBecomesTheModesFailureResult) {
    EXPECT_EQ(ThrowingMode(true, false).initialize(nullptr), 7);
    EXPECT_EQ(ThrowingMode(false, true).executeUpdateMode(nullptr), 14);
    ThrowingMode quiet(false, false);
    EXPECT_EQ(quiet.initialize(nullptr), 0);
    EXPECT_EQ(quiet.executeUpdateMode(nullptr), 32);
}

// A maker that throws after it has handed out its object leaves the caller
// nothing to use; one that finishes leaves what it made.
TEST(NoThrow, AMakerThatThrowsLeavesNoObject) {
    int made = 5;
    int* out = &made;
    noThrowMake(&out, [&] {
        out = &made;
        throw std::bad_alloc();
    });
    EXPECT_EQ(out, nullptr);
    noThrowMake(&out, [&] { out = &made; });
    EXPECT_EQ(out, &made);
    noThrowMake(static_cast<int**>(nullptr), [] { throw 1; });
}
