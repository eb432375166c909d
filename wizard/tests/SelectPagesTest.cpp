// The Select-device and IP-entry pages with a fake engine: the list, the
// wait and its give-up, marks by click, re-scan and adding by address.
#include "EnumerationWorkers.h"
#include "KIVSelectDevice.h"
#include "KIVSelectIP.h"
#include "KIVWelcome.h"
#include "PageControls.h"
#include "PageDriver.h"
#include "PageTestSupport.h"
#include "StringIds.h"
#include "TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using namespace driver;

const int kList = Ctl::SelectDevice::List;

HWND animation(HWND dialog) {
    return ::FindWindowExW(dialog, nullptr, ANIMATE_CLASSW, nullptr);
}

std::vector<bool> selected(HWND d) {
    std::vector<bool> out;
    for (const ListRow& row : listRows(d, kList))
        out.push_back(row.selected);
    return out;
}

void typeAddress(HWND dialog, BYTE a, BYTE b, BYTE c, BYTE e) {
    ::SendDlgItemMessageW(dialog, Ctl::SelectAddress::Address, IPM_SETADDRESS, 0,
                          MAKEIPADDRESS(a, b, c, e));
}

class SelectPages : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(SelectPages, EnumerationDoneBeforeThePageOpens) {
    PageSetup s(GetParam());
    s.context.publishDevices(
        s.context.beginEnumeration(),
        {s.device(KIVDevice::TypeNetwork, L"Office", L"IP_10.0.0.7", L"10.0.0.7",
                  L"K206_G010111_00"),
         s.device(KIVDevice::TypeUsb, L"Desk", L"USB001", L"", s.updater.packageVersion)});
    KIVSelectDevice page(&s.context, s.lang);
    EXPECT_EQ(
        run(page,
            [&](HWND d) {
                EXPECT_EQ(text(d, 0), s.t(Str::Title));
                std::wstring heading = s.t(Str::SelectHeading);
                if (heading.empty() || heading.back() != L' ')
                    heading += L' ';
                EXPECT_EQ(text(d, Ctl::SelectDevice::Heading), heading + s.updater.packageVersion);
                EXPECT_EQ(controlFont(d, Ctl::SelectDevice::Heading).lfWeight, 700);
                EXPECT_EQ(text(d, Ctl::SelectDevice::Help), s.t(Str::SelectHelp));
                EXPECT_TRUE(visible(d, Ctl::SelectDevice::Help));
                EXPECT_EQ(text(d, Ctl::SelectDevice::Continue), s.t(Str::SelectContinue));
                EXPECT_EQ(text(d, Ctl::SelectDevice::Rescan), s.t(Str::Rescan));
                EXPECT_EQ(text(d, Ctl::SelectDevice::AddByAddress), s.t(Str::AddByAddress));
                EXPECT_EQ(listHeader(d, kList, 0), s.t(Str::ColumnPrinter));
                EXPECT_EQ(listHeader(d, kList, 1), s.t(Str::ColumnVersion));
                EXPECT_EQ(listColumnWidth(d, kList, 0), 249);
                // The version column takes the rest of the list, so the
                // up-to-date text is not cut short.
                const std::wstring upToDate = s.t(Str::UpToDate);
                const int needed = static_cast<int>(::SendDlgItemMessageW(
                    d, kList, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(upToDate.c_str())));
                EXPECT_GE(listColumnWidth(d, kList, 1), 200);
                EXPECT_GE(listColumnWidth(d, kList, 1), needed + 12);
                const std::vector<ListRow> rows = listRows(d, kList);
                EXPECT_EQ(rows.size(), 2u);
                if (rows.size() == 2) {
                    EXPECT_EQ(rows[0].first + L"|" + rows[0].second,
                              L"Office (10.0.0.7)|K206_G010111_00");
                    EXPECT_EQ(rows[1].first + L"|" + rows[1].second,
                              L"USB001|" + s.t(Str::UpToDate));
                }
                EXPECT_FALSE(enabled(d, Ctl::SelectDevice::Continue));
                EXPECT_TRUE(enabled(d, Ctl::SelectDevice::Rescan));
                EXPECT_TRUE(enabled(d, Ctl::SelectDevice::AddByAddress));
                EXPECT_FALSE(::IsWindowVisible(animation(d)));
                pressKey(d, VK_ESCAPE);
                pressKey(d, VK_RETURN);
                ::Sleep(300);
                EXPECT_TRUE(::IsWindow(d));
                closeBox(d);
            }),
        8);
}

INSTANTIATE_TEST_SUITE_P(Languages, SelectPages, ::testing::Values(L"en", L"ar", L"ja"));

TEST(SelectDevice, NothingFoundGivesUpAfterTheWaitLimit) {
    PageSetup s(L"en");
    KIVSelectDevice page(&s.context, s.lang);
    page.model().waitLimitMs = 60;
    page.model().timerIntervalMs = 20;
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      EXPECT_FALSE(visible(d, Ctl::SelectDevice::Help));
                      EXPECT_FALSE(enabled(d, Ctl::SelectDevice::Rescan));
                      EXPECT_TRUE(waitFor([&] {
                          return enabled(d, Ctl::SelectDevice::Rescan) &&
                                 enabled(d, Ctl::SelectDevice::AddByAddress) &&
                                 visible(d, Ctl::SelectDevice::Help);
                      }));
                      EXPECT_FALSE(enabled(d, Ctl::SelectDevice::Continue));
                      EXPECT_FALSE(::IsWindowVisible(animation(d)));
                      EXPECT_TRUE(listRows(d, kList).empty());
                      closeBox(d);
                  }),
              8);
}

// A search that ended with nothing, or never ran, leaves nothing to wait for.
TEST(SelectDevice, AnEmptyResultEndsTheWaitAtOnce) {
    PageSetup s(L"en");
    s.context.publishDevices(s.context.beginEnumeration(), {});
    KIVSelectDevice page(&s.context, s.lang);
    page.model().timerIntervalMs = 20;
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      EXPECT_TRUE(waitFor([&] {
                          return enabled(d, Ctl::SelectDevice::Rescan) &&
                                 enabled(d, Ctl::SelectDevice::AddByAddress);
                      }));
                      EXPECT_FALSE(::IsWindowVisible(animation(d)));
                      closeBox(d);
                  }),
              8);
}

TEST(SelectDevice, ResultArrivingWhileWaitingFillsTheList) {
    PageSetup s(L"en");
    KIVSelectDevice page(&s.context, s.lang);
    page.model().timerIntervalMs = 20;
    KIVDevice* usb = s.device(KIVDevice::TypeUsb, L"Desk", L"USB001", L"", L"v");
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      EXPECT_TRUE(::IsWindowVisible(animation(d)));
                      s.context.publishDevices(s.context.beginEnumeration(), {usb});
                      // The only printer is chosen at once.
                      EXPECT_TRUE(waitFor([&] {
                          return selected(d) == std::vector<bool>{true} &&
                                 enabled(d, Ctl::SelectDevice::Continue);
                      }));
                      click(d, Ctl::SelectDevice::Continue);
                  }),
              1);
    EXPECT_EQ(page.selection(), std::vector<int32_t>{0});
}

TEST(SelectDevice, ClicksMarkAndUnmarkRows) {
    PageSetup s(L"en");
    s.context.publishDevices(s.context.beginEnumeration(),
                             {s.device(KIVDevice::TypeUsb, L"A", L"USB001", L"", L"v"),
                              s.device(KIVDevice::TypeUsb, L"B", L"USB002", L"", L"v"),
                              s.device(KIVDevice::TypeUsb, L"C", L"USB003", L"", L"v")});
    KIVSelectDevice page(&s.context, s.lang);
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      auto after = [&](int row, std::vector<bool> want) {
                          clickRow(d, kList, row);
                          EXPECT_TRUE(waitFor([&] { return selected(d) == want; }))
                              << row << ": " << ::testing::PrintToString(selected(d));
                      };
                      after(1, {false, true, false});
                      EXPECT_TRUE(enabled(d, Ctl::SelectDevice::Continue));
                      after(2, {false, true, true});
                      after(1, {false, false, true});
                      after(2, {false, false, false});
                      EXPECT_FALSE(enabled(d, Ctl::SelectDevice::Continue));
                      after(2, {false, false, true});
                      after(0, {true, false, true});
                      click(d, Ctl::SelectDevice::Continue);
                  }),
              1);
    EXPECT_EQ(page.selection(), (std::vector<int32_t>{0, 2}));
}

TEST(SelectDevice, SinglePrinterStaysChosenOnItsFirstClick) {
    PageSetup s(L"en");
    s.context.publishDevices(s.context.beginEnumeration(),
                             {s.device(KIVDevice::TypeUsb, L"A", L"USB001", L"", L"v")});
    KIVSelectDevice page(&s.context, s.lang);
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      EXPECT_EQ(selected(d), std::vector<bool>{true});
                      EXPECT_TRUE(enabled(d, Ctl::SelectDevice::Continue));
                      // The chosen row is in the list that has the keyboard.
                      GUITHREADINFO gui = {};
                      gui.cbSize = sizeof gui;
                      ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(d, nullptr), &gui));
                      EXPECT_EQ(gui.hwndFocus, ::GetDlgItem(d, kList));
                      clickRow(d, kList, 0);
                      ::Sleep(200);
                      EXPECT_EQ(selected(d), std::vector<bool>{true});
                      EXPECT_TRUE(enabled(d, Ctl::SelectDevice::Continue));
                      click(d, Ctl::SelectDevice::Continue);
                  }),
              1);
    EXPECT_EQ(page.selection(), std::vector<int32_t>{0});
}

TEST(SelectDevice, RescanRunsAWorkerWhoseArrayOutlivesThePage) {
    PageSetup s(L"en");
    FakeEnginePrinter usb;
    usb.name = L"Desk";
    usb.port = L"USB009";
    usb.type = KIVDevice::TypeUsb;
    s.updater.printers.push_back(usb);
    {
        EnumerationWorkers workers;
        s.context.enumerations = &workers;
        s.context.publishDevices(s.context.beginEnumeration(),
                                 {s.device(KIVDevice::TypeUsb, L"Old", L"USB001", L"", L"v")});
        {
            KIVSelectDevice page(&s.context, s.lang);
            page.model().timerIntervalMs = 20;
            EXPECT_EQ(run(page,
                          [&](HWND d) {
                              click(d, Ctl::SelectDevice::Rescan);
                              EXPECT_TRUE(waitFor([&] {
                                  const std::vector<ListRow> rows = listRows(d, kList);
                                  return rows.size() == 1 && rows[0].first == L"USB009";
                              }));
                              click(d, Ctl::SelectDevice::Rescan);
                              EXPECT_TRUE(
                                  waitFor([&] { return enabled(d, Ctl::SelectDevice::Rescan); }));
                              closeBox(d);
                          }),
                      8);
        }
        workers.waitAll();
        EXPECT_EQ(s.updater.enumerations, 2);
        // The first search had ended when the second began; the second's
        // array lives as long as the workers do.
        EXPECT_EQ(s.updater.arraysFreed, 1);
        s.context.enumerations = nullptr;
    }
    EXPECT_EQ(s.updater.arraysMade, 2);
    EXPECT_EQ(s.updater.arraysFreed, 2);
}

TEST(SelectDevice, AddingByAddress) {
    PageSetup s(L"en");
    FakeEnginePrinter found;
    found.name = L"Entered";
    found.ip = L"10.0.0.9";
    found.type = KIVDevice::TypeIpAddress;
    found.version = s.updater.packageVersion;
    FakeEnginePrinter foreign = found;
    foreign.ip = L"10.0.0.10";
    foreign.compatible = false;
    s.updater.printers = {found, foreign};
    s.context.publishDevices(
        s.context.beginEnumeration(),
        {s.device(KIVDevice::TypeNetwork, L"Office", L"IP_x", L"10.0.0.7", L"v")});
    KIVSelectDevice page(&s.context, s.lang);
    const DWORD self = ::GetCurrentThreadId();
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      // An address already listed: no message, no new row.
                      click(d, Ctl::SelectDevice::AddByAddress);
                      HWND entry = waitForDialog(self, d);
                      ASSERT_TRUE(entry);
                      EXPECT_EQ(text(entry, Ctl::SelectAddress::Heading), s.t(Str::AddressHeading));
                      EXPECT_EQ(text(entry, Ctl::SelectAddress::Prompt), s.t(Str::AddressPrompt));
                      EXPECT_EQ(text(entry, Ctl::SelectAddress::Search), s.t(Str::AddressSearch));
                      EXPECT_EQ(text(entry, Ctl::SelectAddress::Cancel), s.t(Str::AddressCancel));
                      typeAddress(entry, 10, 0, 0, 7);
                      click(entry, Ctl::SelectAddress::Search);
                      EXPECT_TRUE(waitGone(entry));
                      EXPECT_EQ(listRows(d, kList).size(), 1u);
                      EXPECT_TRUE(s.updater.probedAddresses.empty());

                      // Nothing answers: Error page of kind 2, the entry page stays.
                      click(d, Ctl::SelectDevice::AddByAddress);
                      entry = waitForDialog(self, d);
                      typeAddress(entry, 10, 0, 0, 99);
                      click(entry, Ctl::SelectAddress::Search);
                      HWND error = waitForDialog(self, entry);
                      ASSERT_TRUE(error);
                      EXPECT_EQ(text(error, Ctl::Error::Heading), s.t(Str::ErrNoPrinterHeading));
                      click(error, Ctl::Error::Continue);
                      EXPECT_TRUE(waitGone(error));
                      // A foreign printer: kind 3.
                      typeAddress(entry, 10, 0, 0, 10);
                      click(entry, Ctl::SelectAddress::Search);
                      error = waitForDialog(self, entry);
                      ASSERT_TRUE(error);
                      EXPECT_EQ(text(error, Ctl::Error::Heading), s.t(Str::ErrWrongPrinterHeading));
                      click(error, Ctl::Error::Continue);
                      EXPECT_TRUE(waitGone(error));
                      EXPECT_TRUE(::IsWindowVisible(entry));
                      EXPECT_TRUE(enabled(entry, Ctl::SelectAddress::Search));
                      // A fitting printer: a new row, up to date.
                      typeAddress(entry, 10, 0, 0, 9);
                      click(entry, Ctl::SelectAddress::Search);
                      EXPECT_TRUE(waitGone(entry));
                      const std::vector<ListRow> rows = listRows(d, kList);
                      EXPECT_EQ(rows.size(), 2u);
                      if (rows.size() == 2) {
                          EXPECT_EQ(rows[1].first + L"|" + rows[1].second,
                                    L"10.0.0.9|" + s.t(Str::UpToDate));
                      }
                      // Cancel and the close box both give 8 and add nothing.
                      click(d, Ctl::SelectDevice::AddByAddress);
                      entry = waitForDialog(self, d);
                      pressKey(entry, VK_ESCAPE);
                      EXPECT_TRUE(waitGone(entry));
                      closeBox(d);
                  }),
              8);
    EXPECT_EQ(s.context.deviceCount(), 2u);
    ASSERT_TRUE(s.context.addedDevice);
    EXPECT_EQ(s.context.addedDevice->getIPAddress(), L"10.0.0.9");
    EXPECT_EQ(s.updater.probedAddresses,
              (std::vector<std::wstring>{L"10.0.0.99", L"10.0.0.10", L"10.0.0.9"}));
    EXPECT_EQ(s.updater.arraysMade, s.updater.arraysFreed);
}

// The page gave up waiting while the search still ran; the user added a
// printer by address. The late result must not slip in under that row.
TEST(SelectDevice, AResultAfterTheGiveUpLeavesTheRowsAndTheChoiceAlone) {
    PageSetup s(L"en");
    FakeEnginePrinter lobby;
    lobby.name = L"Lobby";
    lobby.ip = L"10.0.0.9";
    lobby.type = KIVDevice::TypeIpAddress;
    s.updater.printers = {lobby};
    const uint64_t search = s.context.beginEnumeration();
    KIVDevice* office = s.device(KIVDevice::TypeNetwork, L"Office", L"IP_x", L"10.0.0.7", L"v");
    KIVSelectDevice page(&s.context, s.lang);
    page.model().waitLimitMs = 60;
    page.model().timerIntervalMs = 20;
    const DWORD self = ::GetCurrentThreadId();
    EXPECT_EQ(run(page,
                  [&](HWND d) {
                      ASSERT_TRUE(
                          waitFor([&] { return enabled(d, Ctl::SelectDevice::AddByAddress); }));
                      click(d, Ctl::SelectDevice::AddByAddress);
                      HWND entry = waitForDialog(self, d);
                      ASSERT_TRUE(entry);
                      typeAddress(entry, 10, 0, 0, 9);
                      click(entry, Ctl::SelectAddress::Search);
                      EXPECT_TRUE(waitGone(entry));
                      EXPECT_FALSE(s.context.publishDevices(search, {office}));
                      EXPECT_EQ(listRows(d, kList).size(), 1u);
                      EXPECT_TRUE(waitFor([&] { return enabled(d, Ctl::SelectDevice::Continue); }));
                      click(d, Ctl::SelectDevice::Continue);
                  }),
              1);
    ASSERT_EQ(page.chosen().size(), 1u);
    EXPECT_EQ(page.chosen()[0].getIPAddress(), L"10.0.0.9");
    EXPECT_EQ(s.context.devices().size(), 1u);
}

// An engine whose address search waits until the test lets it go on.
class HeldSearch : public FakeUpdater {
public:
    HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~HeldSearch() override {
        ::CloseHandle(started);
        ::CloseHandle(release);
    }
    int32_t enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                       IpAddressArray* addresses) override {
        ::SetEvent(started);
        ::WaitForSingleObject(release, 10000);
        return FakeUpdater::enumerateCompatibleDevices(options, devices, addresses);
    }
};

bool answersWithin(HWND window, UINT ms) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &ignored) != 0;
}

// Enter searches for the typed address; while the search runs the page
// answers, its buttons wait, and a close waits for the search to end.
TEST(SelectAddress, EnterSearchesOnAWorkerWhileThePageAnswers) {
    PageSetup s(L"en");
    HeldSearch engine;
    FakeEnginePrinter lobby;
    lobby.name = L"Lobby";
    lobby.ip = L"10.0.0.9";
    lobby.type = KIVDevice::TypeIpAddress;
    engine.printers = {lobby};
    s.context.updater = &engine;
    for (bool closeWhileSearching : {false, true}) {
        SCOPED_TRACE(closeWhileSearching);
        ::ResetEvent(engine.started);
        ::ResetEvent(engine.release);
        s.context.addedDevice = nullptr;
        KIVSelectIP entry(&s.context, s.lang);
        const int32_t result = run(entry, [&](HWND d) {
            typeAddress(d, 10, 0, 0, 9);
            pressKey(d, VK_RETURN);
            ASSERT_EQ(::WaitForSingleObject(engine.started, 5000), WAIT_OBJECT_0);
            EXPECT_TRUE(answersWithin(d, 100));
            EXPECT_FALSE(enabled(d, Ctl::SelectAddress::Search));
            EXPECT_FALSE(enabled(d, Ctl::SelectAddress::Cancel));
            if (closeWhileSearching) {
                closeBox(d);
                ::Sleep(200);
                EXPECT_TRUE(::IsWindow(d)) << "closed under a running search";
            }
            ::SetEvent(engine.release);
            EXPECT_TRUE(waitGone(d));
        });
        if (closeWhileSearching) {
            EXPECT_EQ(result, 8);
            EXPECT_EQ(s.context.addedDevice, nullptr);
        } else {
            EXPECT_EQ(result, 1);
            ASSERT_TRUE(s.context.addedDevice);
            EXPECT_EQ(s.context.addedDevice->getIPAddress(), L"10.0.0.9");
        }
    }
    EXPECT_EQ(engine.arraysMade, engine.arraysFreed);
}

// An address reads left to right in a right-to-left page too.
TEST(SelectAddress, AddressIsNotMirrored) {
    PageSetup s(L"ar");
    KIVSelectIP entry(&s.context, s.lang);
    EXPECT_EQ(run(entry,
                  [&](HWND d) {
                      EXPECT_NE(::GetWindowLongPtrW(d, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
                      HWND address = ::GetDlgItem(d, Ctl::SelectAddress::Address);
                      ASSERT_TRUE(address);
                      EXPECT_EQ(::GetWindowLongPtrW(address, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
                      typeAddress(d, 192, 168, 1, 20);
                      EXPECT_EQ(text(d, Ctl::SelectAddress::Address), L"192.168.1.20");
                      // The field holding 192 is the leftmost on the screen.
                      HWND leftmost = nullptr;
                      LONG left = 0;
                      for (HWND f = ::GetWindow(address, GW_CHILD); f;
                           f = ::GetWindow(f, GW_HWNDNEXT)) {
                          RECT r{};
                          ::GetWindowRect(f, &r);
                          if (!leftmost || r.left < left) {
                              leftmost = f;
                              left = r.left;
                          }
                      }
                      wchar_t field[8] = {};
                      ::SendMessageW(leftmost, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(field));
                      EXPECT_STREQ(field, L"192");
                      // The control stays inside the page, at the template's side.
                      RECT page{}, box{};
                      ::GetWindowRect(d, &page);
                      ::GetWindowRect(address, &box);
                      EXPECT_GT(box.left, (page.left + page.right) / 2);
                      closeBox(d);
                  }),
              8);
}

} // namespace

namespace {

// The pages' trace lines, read back in order.
TEST(PageTrace, SelectDeviceAndWelcomeWriteTheirLines) {
    ScopedTestLog log;
    PageSetup s(L"en");
    s.context.publishDevices(s.context.beginEnumeration(),
                             {s.device(KIVDevice::TypeUsb, L"A", L"USB001", L"", L"v1"),
                              s.device(KIVDevice::TypeUsb, L"B", L"USB002", L"", L"v2")});
    KIVSelectDevice page(&s.context, s.lang);
    EXPECT_EQ(
        run(page,
            [&](HWND d) {
                clickRow(d, kList, 0);
                clickRow(d, kList, 1);
                EXPECT_TRUE(waitFor([&] { return selected(d) == std::vector<bool>{true, true}; }));
                click(d, Ctl::SelectDevice::Continue);
            }),
        1);
    KIVWelcome welcome(&s.context, s.lang);
    EXPECT_EQ(run(welcome, [&](HWND d) { closeBox(d); }), 8);

    std::vector<std::string> lines;
    for (std::string line : log.texts()) {
        line.erase(0, line.find_first_not_of(' '));
        if (line.rfind("KIVSelectDevice::", 0) == 0 || line.rfind("KIVWelcome::", 0) == 0)
            lines.push_back(line);
    }
    const std::vector<std::string> expected = {
        "KIVSelectDevice::OnInitDialog(): Open",
        "KIVSelectDevice::OnInitDialog(): Device - A  ver - v1",
        "KIVSelectDevice::OnInitDialog(): Device - B  ver - v2",
        "KIVSelectDevice::OnOK()Close",
        "KIVSelectDevice::OnOK()Number of items selected 2",
        "KIVSelectDevice::OnOK()Item was selected:0",
        "KIVSelectDevice::OnOK()Item was selected:1",
        "KIVSelectDevice::OnOK()Element selected at position  0",
        "KIVSelectDevice::OnOK()Element selected at position  1",
        "KIVWelcome::OnInitDialog(): Open",
        "KIVWelcome::OnClose(): Closed - close button"};
    EXPECT_EQ(lines, expected);
}

} // namespace
