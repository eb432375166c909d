#include "RunResult.h"
#include "StatusMessenger.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

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

TEST(StatusMessenger, LineFormatAndErrorNames) {
    EXPECT_EQ(StatusMessenger::formatLine(L"PrinterA", true, 7),
              L"Device: PrinterA, Result: Failure, ErrorCode: DeviceAlreadyUpToDate");
    EXPECT_EQ(StatusMessenger::formatLine(L"PrinterA", false, 0),
              L"Device: PrinterA, Result: Success");
    EXPECT_EQ(StatusMessenger::formatLine(L"P", true, 9),
              L"Device: P, Result: Failure, ErrorCode: Miscellaneous Error");
    EXPECT_EQ(StatusMessenger::formatLine(L"P", true, 10),
              L"Device: P, Result: Failure, ErrorCode: Miscellaneous Error");
    const int32_t codes[] = {1, 2, 3, 4};
    const wchar_t* names[] = {L"ErrorBadFW", L"ErrorIPNoPrinter", L"ErrorIPWrongPrinter",
                              L"ErrorUpdateFailed"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(StatusMessenger::formatLine(L"P", true, codes[i]),
                  std::wstring(L"Device: P, Result: Failure, ErrorCode: ") + names[i]);
}

TEST(StatusMessenger, NameEndsAtItsTerminatorAndLineIsCopiedAndFlushed) {
    std::wostringstream s;
    StatusMessenger m(s);
    std::wstring copy;
    m.displayStatus(std::wstring(L"Print\0junk", 10), true, 4, &copy);
    EXPECT_EQ(copy, L"Device: Print, Result: Failure, ErrorCode: ErrorUpdateFailed");
    m.displayStatus(L"Q", false, 0, nullptr);
    EXPECT_EQ(s.str(), copy + L"\nDevice: Q, Result: Success\n");
}

} // namespace
