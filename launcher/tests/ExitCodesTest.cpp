#include "ExitCodes.h"
#include "ModeResults.h"

#include <gtest/gtest.h>

#include <map>

// Installers tell outcomes apart by the exit code alone: every result that
// names an outcome gets a code of its own, inside the range a forced code may
// take and clear of success and the general failures; the failures proper end
// as a failed run.
TEST(ExitCodes, EachOutcomeHasACodeOfItsOwn) {
    for (int32_t outcome :
         {ResultAddressUnmatched, ResultIncompatibleAddress, ResultConsentNeeded,
          ResultRevisionMismatch, ResultUpToDate, ResultSeveralNotUpdated, ResultNameUnmatched,
          ResultIncompatible, ResultUnreachable, ResultUpdateDue})
        EXPECT_NE(exitCodeForModeResult(outcome), ExitModeFailed) << outcome;
    EXPECT_EQ(exitCodeForModeResult(ResultUpdateDue), 12);
    for (int32_t failure : {ResultPagesMissing, ResultUpdateFailed, ResultLicenceDeclined})
        EXPECT_EQ(exitCodeForModeResult(failure), ExitModeFailed) << failure;
    std::map<int, int32_t> resultOf;
    EXPECT_EQ(exitCodeForModeResult(-1), ExitModeFailed);
    for (int32_t result = 1; result <= 256; ++result) {
        const int code = exitCodeForModeResult(result);
        if (code == ExitModeFailed)
            continue;
        // A check-only run's answer came after the forced range was fixed;
        // widening it would make a value that machines ignore today end
        // their runs.
        EXPECT_TRUE(isForcedExitCode(static_cast<uint32_t>(code)) || result == ResultUpdateDue)
            << result;
        EXPECT_NE(code, ExitSuccess) << result;
        EXPECT_NE(code, ExitFrameworkFailed) << result;
        const auto given = resultOf.emplace(code, result);
        EXPECT_TRUE(given.second) << "code " << code << " for " << given.first->second << " and "
                                  << result;
    }
}

TEST(ExitCodes, ForcedCodesAreExactlyTheRangeARunCanProduce) {
    for (uint32_t v = 0; v <= 11; ++v)
        EXPECT_TRUE(isForcedExitCode(v)) << v;
    for (uint32_t v : {12u, 100u, 0xFFFFFFFFu})
        EXPECT_FALSE(isForcedExitCode(v)) << v;
}
