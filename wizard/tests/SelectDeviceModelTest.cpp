#include "SelectDeviceModel.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const wchar_t kPackage[] = L"K206_G082511_00";
const wchar_t kUpToDate[] = L"Your printer firmware is up to date.";

std::unique_ptr<KIVDevice> device(int32_t type, const wchar_t* name, const wchar_t* port,
                                  const wchar_t* ip, const wchar_t* version) {
    std::unique_ptr<KIVDevice> d(new KIVDevice());
    d->setType(type);
    d->setName(name);
    d->setPortName(port);
    d->setIPAddress(ip);
    d->setCurrVer(version);
    return d;
}

TEST(SelectDeviceModel, RowTextsFollowTheDeviceTypeAndThePackageVersion) {
    auto spooler = device(KIVDevice::TypeNetwork, L"Office", L"IP_10.0.0.7", L"10.0.0.7", kPackage);
    auto spoolerNoIp = device(KIVDevice::TypeNetwork, L"Lab", L"IP_x", L"", L"K206_G010111_00");
    auto usb = device(KIVDevice::TypeUsb, L"Desk", L"USB001", L"", L"K206_G010111_00");
    auto entered =
        device(KIVDevice::TypeIpAddress, L"Entered", L"", L"10.0.0.9", L"K206_G082511_0");
    auto other = device(7, L"Odd", L"P", L"1.2.3.4", L"");

    SelectDeviceModel model(kPackage, kUpToDate);
    model.fill({spooler.get(), spoolerNoIp.get(), usb.get(), entered.get(), other.get()});
    ASSERT_EQ(model.size(), 5u);
    EXPECT_EQ(model.row(0).label, L"Office (10.0.0.7)");
    EXPECT_EQ(model.row(0).version, kUpToDate);
    EXPECT_EQ(model.row(1).label, L"Lab");
    EXPECT_EQ(model.row(1).version, L"K206_G010111_00");
    EXPECT_EQ(model.row(2).label, L"USB001");
    EXPECT_EQ(model.row(3).label, L"10.0.0.9");
    // Only the exact text counts as up to date.
    EXPECT_EQ(model.row(3).version, L"K206_G082511_0");
    EXPECT_EQ(model.row(4).label, L"Odd");
    EXPECT_EQ(model.row(4).version, L"");
    EXPECT_EQ(model.device(2), usb.get());
}

TEST(SelectDeviceModel, MarksFlipPerClickAndSurviveAnAddedRowButNotARefill) {
    auto a = device(KIVDevice::TypeUsb, L"A", L"USB001", L"", L"v");
    auto b = device(KIVDevice::TypeUsb, L"B", L"USB002", L"", L"v");
    SelectDeviceModel model(kPackage, kUpToDate);
    model.fill({a.get()});
    EXPECT_FALSE(model.marked(0));
    model.toggle(0);
    EXPECT_TRUE(model.marked(0));
    model.append(b.get());
    EXPECT_TRUE(model.marked(0));
    EXPECT_FALSE(model.marked(1));
    model.toggle(1);
    model.toggle(0);
    EXPECT_FALSE(model.marked(0));
    EXPECT_TRUE(model.marked(1));
    model.fill({a.get(), b.get()});
    EXPECT_FALSE(model.marked(0));
    EXPECT_FALSE(model.marked(1));
    model.clear();
    EXPECT_EQ(model.size(), 0u);
}

TEST(SelectDeviceModel, GivesUpOnTheTickAfterTheWaitLimit) {
    SelectDeviceModel model(kPackage, kUpToDate);
    EXPECT_EQ(model.waitLimitMs, 60000u);
    EXPECT_EQ(model.timerIntervalMs, 1000u);
    int ticks = 0;
    while (!model.tick(false) && ticks < 1000)
        ++ticks;
    EXPECT_EQ(ticks + 1, 61);
    EXPECT_EQ(model.ticks(), 0u);

    model.waitLimitMs = 30;
    model.timerIntervalMs = 10;
    EXPECT_FALSE(model.tick(false));
    EXPECT_FALSE(model.tick(false));
    // A result ends the wait at once and starts the count again.
    EXPECT_TRUE(model.tick(true));
    EXPECT_EQ(model.ticks(), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(model.tick(false)) << i;
    EXPECT_TRUE(model.tick(false));

    model.waitLimitMs = 0;
    EXPECT_TRUE(model.tick(false));
}

} // namespace
