#include "KIVOptions.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

KIVDevice makeDevice(int n) {
    KIVDevice d;
    d.setType(KIVDevice::TypeNetwork);
    d.setName(L"K206 #" + std::to_wstring(n));
    d.setCurrVer(L"K206_G082511_0" + std::to_wstring(n));
    d.setUsbDevicePath(L"e1");
    d.setHardwareIds(L"e2");
    d.setPortName(L"IP_10.0.0." + std::to_wstring(n));
    d.setIPAddress(L"10.0.0." + std::to_wstring(n));
    d.setQueueDrivers(L"e3");
    d.setFlag1(true);
    d.setFlag2(n % 2 == 0);
    d.setTcpPort(100 + n);
    d.setUpdateStatus(KIVDevice::NotHandled);
    return d;
}

void expectSame(const KIVDevice& a, const KIVDevice& b) {
    EXPECT_EQ(a.getType(), b.getType());
    EXPECT_EQ(a.getUpdateStatus(), b.getUpdateStatus());
    EXPECT_EQ(a.getName(), b.getName());
    EXPECT_EQ(a.getCurrVer(), b.getCurrVer());
    EXPECT_EQ(a.getUsbDevicePath(), b.getUsbDevicePath());
    EXPECT_EQ(a.getHardwareIds(), b.getHardwareIds());
    EXPECT_EQ(a.getPortName(), b.getPortName());
    EXPECT_EQ(a.getIPAddress(), b.getIPAddress());
    EXPECT_EQ(a.getQueueDrivers(), b.getQueueDrivers());
    EXPECT_EQ(a.getFlag1(), b.getFlag1());
    EXPECT_EQ(a.getFlag2(), b.getFlag2());
    EXPECT_EQ(a.getTcpPort(), b.getTcpPort());
}

TEST(KIVDevice, NewRecordIsEmptyAndCopiesCarryAllFields) {
    KIVDevice empty;
    EXPECT_EQ(empty.getType(), 0);
    EXPECT_EQ(empty.getUpdateStatus(), 0);
    EXPECT_TRUE(empty.getName().empty());
    EXPECT_FALSE(empty.getFlag1());
    EXPECT_EQ(empty.getTcpPort(), 0);
    KIVDevice original = makeDevice(4);
    KIVDevice copied(original);
    expectSame(copied, original);
    KIVDevice assigned;
    assigned = original;
    expectSame(assigned, original);
}

TEST(KIVOptions, IndexBoundsAndCopies) {
    KIVOptions options;
    KIVDevice out = makeDevice(9);
    EXPECT_EQ(options.getDeviceAt(0, out), KIVOptions::ErrIndexOutOfRange);
    expectSame(out, makeDevice(9)); // untouched
    EXPECT_EQ(options.setDeviceStatusAt(0, 1), KIVOptions::ErrIndexOutOfRange);

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(options.addDeviceToList(makeDevice(i)), 0);
    ASSERT_EQ(options.getDevListSize(), 3u);
    EXPECT_EQ(options.getDeviceAt(3, out), KIVOptions::ErrIndexOutOfRange);
    EXPECT_EQ(options.getDeviceAt(0xFFFFFFFFu, out), KIVOptions::ErrIndexOutOfRange);
    ASSERT_EQ(options.getDeviceAt(2, out), 0);
    expectSame(out, makeDevice(2));

    out.setCurrVer(L"changed");
    KIVDevice again;
    options.getDeviceAt(2, again);
    EXPECT_EQ(again.getCurrVer(), makeDevice(2).getCurrVer()) << "the list holds its own copy";

    EXPECT_EQ(options.setDeviceStatusAt(1, KIVDevice::Updated), 0);
    options.getDeviceAt(1, again);
    EXPECT_EQ(again.getUpdateStatus(), KIVDevice::Updated);
    EXPECT_EQ(options.setDeviceStatusAt(3, 1), KIVOptions::ErrIndexOutOfRange);
}

TEST(KIVOptions, ConfigPathAndRsrcPaths) {
    KIVOptions options;
    options.setCfgIniPath(L"C:\\t\\Package\\config.ini");
    EXPECT_EQ(options.getConfigIniPath(), L"C:\\t\\Package\\config.ini");
    EXPECT_TRUE(options.getRsrcMgr().getPackagePath().empty());
    options.getRsrcMgr().setDirectories(L"C:\\t\\Package\\", L"C:\\t\\Common\\");
    EXPECT_EQ(options.getRsrcMgr().getPackagePath(), L"C:\\t\\Package\\");
    EXPECT_EQ(options.getRsrcMgr().getCommonPath(), L"C:\\t\\Common\\");
}

// Each record that was added is destroyed exactly once by clearDeviceList;
// the destructor traces of the records show it in the real log.
TEST(KIVOptions, ClearFreesEveryRecordOnceWithItsLogLines) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    {
        KIVOptions options;
        KIVDevice device = makeDevice(1);
        for (int i = 0; i < 4; ++i)
            options.addDeviceToList(device);
        KIVDevice out;
        options.getDeviceAt(7, out);
        options.setDeviceStatusAt(2, 1);
        options.clearDeviceList();
        EXPECT_EQ(options.getDevListSize(), 0u);
        options.setCfgIniPath(L"C:\\p\\config.ini");
        device.getType();
        device.setCurrVer(L"V1");
    }
    std::vector<std::string> texts = log.texts();
    int clearStart = findText(texts, "+KIVOptions::clearDeviceList(): ");
    int clearEnd = findText(texts, "-KIVOptions::clearDeviceList(): ", clearStart);
    ASSERT_GE(clearStart, 0);
    ASSERT_GT(clearEnd, clearStart);
    int destroyed = 0;
    for (int i = clearStart; i < clearEnd; ++i)
        destroyed += texts[i] == " +KIVDevice::~KIVDevice(): ";
    EXPECT_EQ(destroyed, 4);
    EXPECT_NE(findText(texts, "+KIVOptions::getDeviceAt: param=7."), -1);
    EXPECT_NE(findText(texts, " KIVOptions::getDeviceAt: param=7.Index out of range!"), -1);
    EXPECT_NE(findText(texts, "+KIVOptions::setDeviceStatusAt: param=2."), -1);
    EXPECT_NE(findText(texts, "KIVOptions::addDeviceToList: "), -1);
    EXPECT_NE(findText(texts, "+KIVOptions::setCfgIniPath: param=C:\\p\\config.ini."), -1);
    EXPECT_NE(findText(texts, "KIVDevice::getType: rc=3."), -1);
    EXPECT_NE(findText(texts, "KIVDevice::setCurrVer: param=V1."), -1);
    EXPECT_NE(findText(texts, "-KIVOptions::~KIVOptions(): "), -1);
}

} // namespace
