// Welcome, Progress, Result, Summary and the three error pages, each in
// English, a right-to-left and a CJK language: texts by control number,
// headings, and the result of every button, of Escape and of the close box.
#include "DialogPageHost.h"
#include "KIVError.h"
#include "KIVErrorRev.h"
#include "KIVErrorSPR.h"
#include "KIVFinish.h"
#include "KIVStatus.h"
#include "KIVUpdate.h"
#include "KIVWelcome.h"
#include "PageControls.h"
#include "PageDriver.h"
#include "PageTestSupport.h"
#include "ProgressValue.h"
#include "StringIds.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using namespace driver;

// Escape, Enter or the close box was handled and left the page open.
void expectStillOpen(HWND dialog) {
    ::Sleep(300);
    EXPECT_TRUE(::IsWindow(dialog) && ::IsWindowVisible(dialog));
}

void expectCommonLook(HWND dialog, const PageSetup& s) {
    EXPECT_EQ(text(dialog, 0), s.t(Str::Title));
    EXPECT_EQ(::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
}

void expectHeading(HWND dialog, int heading, int body, bool taller) {
    const LOGFONTW bold = controlFont(dialog, heading);
    const LOGFONTW plain = controlFont(dialog, body);
    EXPECT_EQ(bold.lfWeight, 700);
    const LONG want = taller ? static_cast<LONG>(plain.lfHeight * 1.5) : plain.lfHeight;
    EXPECT_EQ(bold.lfHeight, want);
}

class Pages : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(Pages, Welcome) {
    PageSetup s(GetParam());
    ASSERT_TRUE(s.lang);
    KIVWelcome welcome(&s.context, s.lang);
    EXPECT_EQ(run(welcome,
                  [&](HWND d) {
                      expectCommonLook(d, s);
                      EXPECT_EQ(text(d, Ctl::Welcome::Body), s.t(Str::WelcomeBody));
                      EXPECT_EQ(text(d, Ctl::Welcome::Click), s.t(Str::WelcomeClick));
                      EXPECT_EQ(text(d, Ctl::Welcome::Continue), s.t(Str::WelcomeContinue));
                      EXPECT_FALSE(text(d, Ctl::Welcome::Body).empty());
                      pressKey(d, VK_ESCAPE);
                      expectStillOpen(d);
                      click(d, Ctl::Welcome::Continue);
                  }),
              1);
    KIVWelcome again(&s.context, s.lang);
    EXPECT_EQ(run(again, [&](HWND d) { closeBox(d); }), 8);
}

TEST_P(Pages, ProgressShowsTheValueAndEndsAt100) {
    PageSetup s(GetParam());
    s.options.addDeviceToList(*s.device(KIVDevice::TypeUsb, L"Desk", L"USB002", L"", L"v"));
    s.context.currentIndex = 0;
    setProgressValue(55);
    KIVStatus status(&s.context, s.lang);
    EXPECT_EQ(progressValue(), 0);
    status.tickMs = 50;
    EXPECT_EQ(
        run(status,
            [&](HWND d) {
                expectCommonLook(d, s);
                expectHeading(d, Ctl::Progress::Heading, Ctl::Progress::Body, true);
                EXPECT_EQ(text(d, Ctl::Progress::Heading), s.t(Str::ProgressHeading));
                EXPECT_EQ(text(d, Ctl::Progress::Printer), s.t(Str::ProgressPrinter) + L" USB002");
                EXPECT_EQ(text(d, Ctl::Progress::Body), s.t(Str::ProgressBody));
                setProgressValue(42);
                EXPECT_TRUE(waitFor([&] {
                    return ::SendDlgItemMessageW(d, Ctl::Progress::Bar, PBM_GETPOS, 0, 0) == 42;
                }));
                pressKey(d, VK_ESCAPE);
                pressKey(d, VK_RETURN);
                expectStillOpen(d);
                // A preview holds no flash: the session may end.
                EXPECT_NE(::SendMessageW(d, WM_QUERYENDSESSION, 0, 0), 0);
                setProgressValue(100);
                EXPECT_TRUE(waitGone(d));
            }),
        1);
    KIVStatus closed(&s.context, s.lang);
    EXPECT_EQ(run(closed, [&](HWND d) { closeBox(d); }), 8);
    // Shown while a worker flashes: Windows may not end the session under it.
    KIVStatus flashing(&s.context, s.lang, true);
    EXPECT_EQ(run(flashing,
                  [&](HWND d) {
                      EXPECT_EQ(::SendMessageW(d, WM_QUERYENDSESSION, 0, 0), 0);
                      setProgressValue(100);
                      EXPECT_TRUE(waitGone(d));
                  }),
              1);
}

// The end of the update closes the page when it is reported, not at the
// page's next look at the value (here never within the test).
TEST_P(Pages, ProgressClosesWhenTheUpdateEndsWithoutWaitingForItsTick) {
    PageSetup s(GetParam());
    s.options.addDeviceToList(*s.device(KIVDevice::TypeUsb, L"Desk", L"USB002", L"", L"v"));
    s.context.currentIndex = 0;
    for (int pass = 0; pass < 2; ++pass) {
        KIVStatus status(&s.context, s.lang);
        status.tickMs = 600000;
        EXPECT_EQ(run(status,
                      [&](HWND d) {
                          setProgressValue(99);
                          expectStillOpen(d);
                          setProgressValue(100);
                          EXPECT_TRUE(waitGone(d));
                      }),
                  1)
            << pass;
    }
}

TEST_P(Pages, ResultMovesOnByItselfExceptInAPreview) {
    PageSetup s(GetParam());
    s.options.addDeviceToList(*s.device(KIVDevice::TypeIpAddress, L"N", L"", L"10.2.3.4", L"v"));
    KIVUpdate result(&s.context, s.lang, false);
    result.autoContinueMs = 100;
    EXPECT_EQ(run(result,
                  [&](HWND d) {
                      expectCommonLook(d, s);
                      expectHeading(d, Ctl::Result::Heading, Ctl::Result::Body, true);
                      EXPECT_EQ(text(d, Ctl::Result::Heading), s.t(Str::ResultHeading));
                      EXPECT_EQ(text(d, Ctl::Result::Printer), L"10.2.3.4");
                      EXPECT_EQ(text(d, Ctl::Result::Body), s.t(Str::ResultBody));
                      EXPECT_EQ(text(d, Ctl::Result::Continue), s.t(Str::ResultContinue));
                      EXPECT_TRUE(visible(d, Ctl::Result::Continue));
                      EXPECT_TRUE(waitGone(d));
                  }),
              1);
    KIVUpdate last(&s.context, s.lang, true);
    EXPECT_EQ(run(last,
                  [&](HWND d) {
                      EXPECT_FALSE(visible(d, Ctl::Result::Continue));
                      pressKey(d, VK_ESCAPE);
                      expectStillOpen(d);
                      closeBox(d);
                  }),
              8);

    const wchar_t* argv[] = {L"KIV.exe", L"-dialog", L"6"};
    s.options.parseCmdLine(3, argv);
    KIVUpdate preview(&s.context, s.lang, false);
    preview.autoContinueMs = 100;
    EXPECT_EQ(run(preview,
                  [&](HWND d) {
                      expectStillOpen(d);
                      click(d, Ctl::Result::Continue);
                  }),
              1);
}

TEST_P(Pages, SummaryListsTheOutcomes) {
    PageSetup s(GetParam());
    s.options.addDeviceToList(*s.device(KIVDevice::TypeUsb, L"A", L"USB001", L"", L"v1"));
    s.options.addDeviceToList(*s.device(KIVDevice::TypeNetwork, L"B", L"IP_1", L"10.0.0.2", L"v2"));
    s.options.addDeviceToList(*s.device(KIVDevice::TypeIpAddress, L"C", L"", L"10.0.0.3", L"v3"));
    s.options.setDeviceStatusAt(0, KIVDevice::Updated);
    s.options.addDeviceToList(*s.device(KIVDevice::TypeIpAddress, L"D", L"", L"10.0.0.4", L"v4"));
    s.options.setDeviceStatusAt(2, KIVDevice::UpdateFailed);
    s.options.setDeviceStatusAt(3, KIVDevice::UpToDate);
    KIVFinish summary(&s.context, s.lang);
    EXPECT_EQ(
        run(summary,
            [&](HWND d) {
                expectCommonLook(d, s);
                expectHeading(d, Ctl::Summary::Heading, Ctl::Summary::Help, true);
                EXPECT_EQ(text(d, Ctl::Summary::Heading), s.t(Str::SummaryHeading));
                EXPECT_EQ(text(d, Ctl::Summary::Help), s.t(Str::SummaryHelp));
                EXPECT_EQ(text(d, Ctl::Summary::NetworkHint), s.t(Str::SummaryNetworkHint));
                EXPECT_EQ(text(d, Ctl::Summary::Retry), s.t(Str::Retry));
                EXPECT_EQ(text(d, Ctl::Summary::Close), s.t(Str::Close));
                EXPECT_EQ(listHeader(d, Ctl::Summary::List, 0), s.t(Str::SummaryColumnPrinter));
                EXPECT_EQ(listHeader(d, Ctl::Summary::List, 1), s.t(Str::SummaryColumnResult));
                EXPECT_EQ(listColumnWidth(d, Ctl::Summary::List, 0), 249);
                EXPECT_GE(listColumnWidth(d, Ctl::Summary::List, 1), 200);
                const std::vector<ListRow> rows = listRows(d, Ctl::Summary::List);
                EXPECT_EQ(rows.size(), 4u);
                if (rows.size() == 4) {
                    EXPECT_EQ(rows[0].first + L"|" + rows[0].second,
                              L"USB001|" + s.t(Str::Success));
                    EXPECT_EQ(rows[1].first + L"|" + rows[1].second,
                              L"B (10.0.0.2)|" + s.t(Str::Failed));
                    EXPECT_EQ(rows[2].first + L"|" + rows[2].second,
                              L"10.0.0.3|" + s.t(Str::Failed));
                    EXPECT_EQ(rows[3].first + L"|" + rows[3].second,
                              L"10.0.0.4|" + s.t(Str::UpToDate));
                }
                click(d, Ctl::Summary::Retry);
            }),
        1);
    KIVFinish escape(&s.context, s.lang);
    EXPECT_EQ(run(escape, [&](HWND d) { pressKey(d, VK_ESCAPE); }), 2);
    KIVFinish second(&s.context, s.lang);
    EXPECT_EQ(run(second, [&](HWND d) { click(d, Ctl::Summary::Close); }), 2);
    KIVFinish closed(&s.context, s.lang);
    EXPECT_EQ(run(closed, [&](HWND d) { closeBox(d); }), 8);
}

TEST_P(Pages, ErrorKinds) {
    PageSetup s(GetParam());
    s.options.addDeviceToList(*s.device(KIVDevice::TypeUsb, L"A", L"USB004", L"", L"v1"));
    const std::wstring composed = L"USB004\n\n" + s.t(Str::ErrStep1) + L"\n" + s.t(Str::ErrStep2) +
                                  L"\n" + s.t(Str::ErrStep3) + L"\n" + s.t(Str::ErrStep4);
    struct Kind {
        int32_t kind;
        uint32_t heading;
        std::wstring body;
        uint32_t button;
    } kinds[] = {{1, Str::ErrBadFileHeading, s.t(Str::ErrBadFileBody), Str::ErrContinue},
                 {2, Str::ErrNoPrinterHeading, s.t(Str::ErrNoPrinterBody), Str::ErrContinue},
                 {3, Str::ErrWrongPrinterHeading, s.t(Str::ErrWrongPrinterBody), Str::ErrContinue},
                 {4, Str::ErrUpdateHeading, composed, Str::ErrContinue},
                 // Another update holds the printer: no steps that turn it off.
                 {12, Str::ErrUpdateHeading, s.t(Str::ErrInUseBody), Str::ErrContinue}};
    for (const Kind& k : kinds) {
        KIVError error(&s.context, s.lang, k.kind);
        EXPECT_EQ(run(error,
                      [&](HWND d) {
                          expectCommonLook(d, s);
                          expectHeading(d, Ctl::Error::Heading, Ctl::Error::Body, true);
                          EXPECT_EQ(text(d, Ctl::Error::Heading), s.t(k.heading)) << k.kind;
                          EXPECT_EQ(text(d, Ctl::Error::Body), k.body) << k.kind;
                          EXPECT_EQ(text(d, Ctl::Error::Continue), s.t(k.button)) << k.kind;
                          EXPECT_FALSE(visible(d, Ctl::Error::Retry)) << k.kind;
                          pressKey(d, VK_ESCAPE);
                          closeBox(d);
                          expectStillOpen(d);
                          click(d, Ctl::Error::Continue);
                      }),
                  1);
    }
    KIVError silent(&s.context, s.lang, 11);
    EXPECT_EQ(run(silent,
                  [&](HWND d) {
                      EXPECT_EQ(text(d, Ctl::Error::Heading), s.t(Str::ErrCommunicationHeading));
                      EXPECT_EQ(text(d, Ctl::Error::Body), composed);
                      EXPECT_EQ(text(d, Ctl::Error::Continue), s.t(Str::Cancel));
                      EXPECT_TRUE(visible(d, Ctl::Error::Retry));
                      EXPECT_EQ(text(d, Ctl::Error::Retry), s.t(Str::Retry));
                      click(d, Ctl::Error::Retry);
                  }),
              2);
    KIVError giveUp(&s.context, s.lang, 11);
    EXPECT_EQ(run(giveUp, [&](HWND d) { click(d, Ctl::Error::Continue); }), 1);
    // A kind the page does not know ends it at once.
    for (int32_t kind : {0, 5, 13}) {
        KIVError unknown(&s.context, s.lang, kind);
        EXPECT_EQ(unknown.runModal(), 1) << kind;
    }
}

TEST_P(Pages, SprAsksToGoOn) {
    PageSetup s(GetParam());
    KIVErrorSPR spr(&s.context, s.lang);
    EXPECT_EQ(run(spr,
                  [&](HWND d) {
                      expectCommonLook(d, s);
                      expectHeading(d, Ctl::ErrorSPR::Heading, Ctl::ErrorSPR::Body, false);
                      EXPECT_EQ(text(d, Ctl::ErrorSPR::Heading), s.t(Str::SprHeading));
                      EXPECT_EQ(text(d, Ctl::ErrorSPR::Body), s.t(Str::SprBody));
                      EXPECT_EQ(text(d, Ctl::ErrorSPR::Continue), s.t(Str::SprContinue));
                      EXPECT_EQ(text(d, Ctl::ErrorSPR::Cancel), s.t(Str::Cancel));
                      click(d, Ctl::ErrorSPR::Continue);
                  }),
              1);
    KIVErrorSPR stop(&s.context, s.lang);
    EXPECT_EQ(run(stop, [&](HWND d) { click(d, Ctl::ErrorSPR::Cancel); }), 2);
    KIVErrorSPR escape(&s.context, s.lang);
    EXPECT_EQ(run(escape, [&](HWND d) { pressKey(d, VK_ESCAPE); }), 2);
    KIVErrorSPR closed(&s.context, s.lang);
    EXPECT_EQ(run(closed, [&](HWND d) { closeBox(d); }), 2);
}

TEST_P(Pages, RevisionShowsBothVersionsAndTheLetter) {
    PageSetup s(GetParam());
    s.context.deviceVersion = L"K417_C020513_00";
    s.context.packageVersion = L"K417_D031507_00";
    KIVErrorRev rev(&s.context, s.lang);
    EXPECT_EQ(
        run(rev,
            [&](HWND d) {
                expectCommonLook(d, s);
                expectHeading(d, Ctl::ErrorRevision::Heading, Ctl::ErrorRevision::Advice, true);
                EXPECT_EQ(text(d, Ctl::ErrorRevision::Heading), s.t(Str::RevHeading));
                EXPECT_EQ(text(d, Ctl::ErrorRevision::Device),
                          s.t(Str::RevDevice) + L" K417_C020513_00");
                EXPECT_EQ(text(d, Ctl::ErrorRevision::Package),
                          s.t(Str::RevPackage) + L" K417_D031507_00");
                EXPECT_EQ(text(d, Ctl::ErrorRevision::Required), s.t(Str::RevRequired) + L" C");
                EXPECT_EQ(text(d, Ctl::ErrorRevision::Advice), s.t(Str::RevAdvice));
                EXPECT_EQ(text(d, Ctl::ErrorRevision::Ok), s.t(Str::RevOk));
                pressKey(d, VK_ESCAPE);
                closeBox(d);
                expectStillOpen(d);
                click(d, Ctl::ErrorRevision::Ok);
            }),
        1);
    s.context.deviceVersion = L"K417";
    KIVErrorRev plain(&s.context, s.lang);
    EXPECT_EQ(run(plain,
                  [&](HWND d) {
                      // Not the first letter of the label before the version.
                      EXPECT_EQ(text(d, Ctl::ErrorRevision::Required),
                                s.t(Str::RevRequired) + L" K");
                      click(d, Ctl::ErrorRevision::Ok);
                  }),
              1);
}

INSTANTIATE_TEST_SUITE_P(Languages, Pages, ::testing::Values(L"en", L"ar", L"ja"));

TEST(PagesEnglish, ReferenceTextsAndRightToLeftFrames) {
    PageSetup en(L"en");
    EXPECT_EQ(en.t(Str::Title), L"Kivmara");
    EXPECT_EQ(en.t(Str::WelcomeClick), L"Click Continue to begin.");
    PageSetup ar(L"ar");
    KIVWelcome welcome(&ar.context, ar.lang);
    EXPECT_EQ(run(welcome,
                  [&](HWND d) {
                      EXPECT_NE(::GetWindowLongPtrW(d, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
                      EXPECT_NE(text(d, Ctl::Welcome::Body), en.t(Str::WelcomeBody));
                      // Its texts read right to left as well.
                      EXPECT_NE(
                          ::GetWindowLongPtrW(::GetDlgItem(d, Ctl::Welcome::Body), GWL_EXSTYLE) &
                              WS_EX_RTLREADING,
                          0);
                      click(d, Ctl::Welcome::Continue);
                  }),
              1);
}

// Without the background picture the page is plain white.
TEST(PagesEnglish, MissingBackgroundPictureGivesWhite) {
    PageSetup s(L"en", L"C:\\nonexistent-kiv-folder\\");
    KIVWelcome welcome(&s.context, s.lang);
    EXPECT_EQ(run(welcome,
                  [&](HWND d) {
                      ::RedrawWindow(d, nullptr, nullptr,
                                     RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
                      ::Sleep(200);
                      HDC dc = ::GetDC(d);
                      EXPECT_EQ(::GetPixel(dc, 3, 3), RGB(255, 255, 255));
                      ::ReleaseDC(d, dc);
                      click(d, Ctl::Welcome::Continue);
                  }),
              1);
}

TEST(PagesEnglish, MissingTemplateCannotBeCreated) {
    PageSetup s(L"en");
    const std::wstring stub = winPath(KIV_STUB_LANG_DIR) + L"lang.dll";
    HMODULE lang = ::LoadLibraryExW(stub.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_TRUE(lang);
    KIVWelcome welcome(&s.context, lang);
    EXPECT_EQ(welcome.runModal(), -1);
    // The flow can ask before it starts what the page would watch.
    EXPECT_FALSE(DialogPageHost(lang).canShow(PageKind::Welcome));
    EXPECT_TRUE(DialogPageHost(lang).canShow(PageKind::Progress));
    ::FreeLibrary(lang);
}

} // namespace
