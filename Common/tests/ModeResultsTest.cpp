#include "ModeResults.h"

#include <gtest/gtest.h>

TEST(CombineResults, PrintersMeantToBeFlashedComeFirst) {
    EXPECT_EQ(combineResults({}), ResultOk);
    EXPECT_EQ(combineResults({ResultOk, ResultOk}), ResultOk);
    EXPECT_EQ(combineResults({ResultOk, ResultUpdateFailed, ResultUnreachable}),
              ResultUpdateFailed);
    EXPECT_EQ(combineResults({ResultConsentNeeded, ResultRevisionMismatch, ResultUnreachable}),
              ResultUnreachable);
    EXPECT_EQ(combineResults({ResultConsentNeeded, ResultRevisionMismatch}),
              ResultRevisionMismatch);
    EXPECT_EQ(combineResults({ResultNameUnmatched, ResultConsentNeeded}), ResultConsentNeeded);
}

TEST(CombineResults, LeftOutPrintersShareOrDiffer) {
    EXPECT_EQ(combineResults({ResultOk, ResultUpToDate}), ResultUpToDate);
    EXPECT_EQ(combineResults({ResultUpToDate, ResultUpToDate}), ResultUpToDate);
    EXPECT_EQ(combineResults({ResultAddressUnmatched, ResultOk, ResultAddressUnmatched}),
              ResultAddressUnmatched);
    EXPECT_EQ(combineResults({ResultUpToDate, ResultNameUnmatched}), ResultSeveralNotUpdated);
    EXPECT_EQ(combineResults({ResultIncompatible, ResultIncompatibleAddress}),
              ResultSeveralNotUpdated);
}
