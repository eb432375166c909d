#include "ConsoleOutput.h"
#include "RunResult.h"
#include "StatusMessenger.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

namespace {

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

// A console whose code page has no place for characters above 0xFF: like the
// C runtime, it refuses such a character and the stream goes bad.
class NarrowConsoleBuf : public std::wstreambuf {
public:
    std::wstring written;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        if (c > 0xFF)
            return traits_type::eof();
        written += traits_type::to_char_type(c);
        return c;
    }
};

TEST(StatusMessenger, NameTheConsoleCannotShowKeepsItsLineAndTheLinesAfter) {
    NarrowConsoleBuf buf;
    std::wostream console(&buf);
    StatusMessenger m(console);
    std::wstring copy;
    m.displayStatus(L"Caf\u00e9 \u20ac\u4e2d", false, 0, &copy);
    m.displayStatus(L"B", true, 4, nullptr);
    EXPECT_EQ(copy, L"Device: Caf\u00e9 \u20ac\u4e2d, Result: Success") << "the copy is unchanged";
    EXPECT_EQ(buf.written, L"Device: Caf\u00e9 ??, Result: Success\n"
                           L"Device: B, Result: Failure, ErrorCode: ErrorUpdateFailed\n");
    EXPECT_TRUE(console.good());
}

TEST(ConsoleOutput, LineTheConsoleCannotShowDoesNotSilenceTheRest) {
    NarrowConsoleBuf buf;
    std::wostream stream(&buf);
    ConsoleOutput console(stream, false);
    console.line(L"[1/2] \u4e2d: firmware unknown");
    console.line(L"[2/2] B: firmware unknown");
    EXPECT_EQ(buf.written, L"[1/2] ?: firmware unknown\n[2/2] B: firmware unknown\n");
}

} // namespace
