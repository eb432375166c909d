// The IP-entry page with the real Updater.dll and KIVComm.dll against the
// printer simulator: an address where nothing answers, one with a printer of
// another model, and one with a fitting printer.
#include "IUpdater.h"
#include "KIVSelectIP.h"
#include "PageControls.h"
#include "PageDriver.h"
#include "PageTestSupport.h"
#include "SimControl.h"
#include "StringIds.h"
#include "TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using namespace driver;

bool copyTo(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

void typeAddress(HWND dialog, const std::wstring& address) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    ASSERT_EQ(swscanf(address.c_str(), L"%u.%u.%u.%u", &a, &b, &c, &d), 4) << address;
    ::SendDlgItemMessageW(dialog, Ctl::SelectAddress::Address, IPM_SETADDRESS, 0,
                          MAKEIPADDRESS(a, b, c, d));
}

TEST(AddressAgainstSimulator, ErrorKindsAndAFittingPrinter) {
    ASSERT_FALSE(simNet().empty()) << "not started by with-sim.sh";
    TempFolder root;
    const std::wstring package = root.path() + L"pkg\\";
    const std::wstring common = root.path() + L"common\\";
    ::CreateDirectoryW(package.c_str(), nullptr);
    ::CreateDirectoryW(common.c_str(), nullptr);
    ASSERT_TRUE(copyTo(winFile(KIV_UPDATER_DLL), package + L"Updater.dll"));
    ASSERT_TRUE(copyTo(winFile(KIV_COMM_DLL), common + L"KIVComm.dll"));
    ASSERT_TRUE(copyTo(winFile(KIV_SHORT_CONFIG), package + L"config.ini"));

    PageSetup s(L"en");
    s.options.getRsrcMgr().setDirectories(package, common);
    s.options.setCfgIniPath(package + L"config.ini");
    int32_t rc = -1;
    IUpdater* updater = IUpdater::makeUpdater(&s.options, &rc);
    ASSERT_TRUE(updater);
    ASSERT_EQ(updater->initialize(&s.options), 0);
    s.context.updater = updater;

    const DWORD self = ::GetCurrentThreadId();
    KIVSelectIP entry(&s.context, s.lang);
    EXPECT_EQ(
        run(entry,
            [&](HWND d) {
                const struct {
                    int host;
                    uint32_t heading;
                } failing[] = {{9, Str::ErrNoPrinterHeading}, {4, Str::ErrWrongPrinterHeading}};
                for (const auto& f : failing) {
                    typeAddress(d, simAddress(f.host));
                    click(d, Ctl::SelectAddress::Search);
                    HWND error = waitForDialog(self, d);
                    ASSERT_TRUE(error) << f.host;
                    EXPECT_EQ(text(error, Ctl::Error::Heading), s.t(f.heading)) << f.host;
                    click(error, Ctl::Error::Continue);
                    EXPECT_TRUE(waitGone(error));
                }
                typeAddress(d, simAddress(2));
                click(d, Ctl::SelectAddress::Search);
            }),
        1);
    ASSERT_TRUE(s.context.addedDevice);
    EXPECT_EQ(s.context.addedDevice->getIPAddress(), simAddress(2));
    EXPECT_EQ(s.context.addedDevice->getType(), KIVDevice::TypeIpAddress);
    IUpdater::freeUpdaterLib(updater);
}

} // namespace
