#include "KIVDevice.h"
#include "PageTexts.h"
#include "StringIds.h"

#include <gtest/gtest.h>

namespace {

TEST(PageTexts, DeviceLabelIsPortForUsbAddressForEnteredPrintersNameAndAddressOnTheNetwork) {
    KIVDevice d;
    d.setName(L"Name");
    d.setPortName(L"USB003");
    d.setIPAddress(L"192.168.7.7");
    d.setType(KIVDevice::TypeUsb);
    EXPECT_EQ(deviceLabel(d), L"USB003");
    d.setType(KIVDevice::TypeIpAddress);
    EXPECT_EQ(deviceLabel(d), L"192.168.7.7");
    d.setType(KIVDevice::TypeNetwork);
    EXPECT_EQ(deviceLabel(d), L"Name (192.168.7.7)");
    d.setType(KIVDevice::TypeNone);
    EXPECT_EQ(deviceLabel(d), L"Name");
}

TEST(PageTexts, ErrorKindsAndTheirTexts) {
    const ErrorTexts noPrinter = errorTexts(2);
    EXPECT_TRUE(noPrinter.known);
    EXPECT_EQ(noPrinter.heading, Str::ErrNoPrinterHeading);
    EXPECT_EQ(noPrinter.body, Str::ErrNoPrinterBody);
    EXPECT_EQ(noPrinter.button, Str::ErrContinue);
    EXPECT_FALSE(noPrinter.retryButton);
    EXPECT_EQ(errorTexts(1).body, Str::ErrBadFileBody);
    EXPECT_EQ(errorTexts(3).heading, Str::ErrWrongPrinterHeading);
    EXPECT_EQ(errorTexts(4).body, 0u);
    const ErrorTexts silent = errorTexts(11);
    EXPECT_EQ(silent.heading, Str::ErrCommunicationHeading);
    EXPECT_EQ(silent.body, 0u);
    EXPECT_EQ(silent.button, Str::Cancel);
    EXPECT_TRUE(silent.retryButton);
    // A printer that another update holds is never told to be turned off.
    EXPECT_NE(errorTexts(12).body, 0u);
    for (int32_t kind : {0, 5, 10, 13, -1})
        EXPECT_FALSE(errorTexts(kind).known) << kind;
}

TEST(PageTexts, ComposedBodyOutcomeAndRevisionLetter) {
    const std::wstring steps[4] = {L"a", L"b", L"c", L"d"};
    EXPECT_EQ(composeErrorBody(L"USB001", steps), L"USB001\n\na\nb\nc\nd");
    EXPECT_EQ(outcomeString(KIVDevice::Updated), Str::Success);
    EXPECT_EQ(outcomeString(KIVDevice::UpdateFailed), Str::Failed);
    EXPECT_EQ(outcomeString(KIVDevice::NotHandled), Str::Failed);
    EXPECT_EQ(outcomeString(KIVDevice::UpToDate), Str::UpToDate);

    EXPECT_EQ(revisionLetter(L"K417_C020513_00|PANEL_X"), L"C");
    EXPECT_EQ(revisionLetter(L"K417"), L"K");
    EXPECT_EQ(revisionLetter(L"K417_"), L"");
    EXPECT_EQ(revisionLetter(L"_Q"), L"Q");
    EXPECT_EQ(revisionLetter(L""), L"");
}

} // namespace
