#include "WizardContext.h"

#include <gtest/gtest.h>

namespace {

TEST(WizardContext, OnlyTheNewestEnumerationPublishes) {
    WizardContext context(nullptr, nullptr);
    KIVDevice a, b, c;
    const uint64_t first = context.beginEnumeration();
    context.appendDevice(&c);
    const uint64_t second = context.beginEnumeration();
    EXPECT_EQ(context.deviceCount(), 0u);
    EXPECT_TRUE(context.publishDevices(second, KIVDeviceArray{&b}));
    // The slower, older search ends last; its result is not taken.
    EXPECT_FALSE(context.publishDevices(first, KIVDeviceArray{&a, &c}));
    ASSERT_EQ(context.devices(), std::vector<KIVDevice*>{&b});
    context.appendDevice(&a);
    EXPECT_EQ(context.devices(), (std::vector<KIVDevice*>{&b, &a}));
    context.clearDevices();
    EXPECT_EQ(context.deviceCount(), 0u);
}

TEST(WizardContext, ASearchGivenUpNoLongerPublishes) {
    WizardContext context(nullptr, nullptr);
    KIVDevice added, late;
    EXPECT_FALSE(context.enumerationEnded());
    const uint64_t search = context.beginEnumeration();
    context.appendDevice(&added);
    context.abandonEnumeration();
    EXPECT_TRUE(context.enumerationEnded());
    EXPECT_FALSE(context.publishDevices(search, KIVDeviceArray{&late}));
    EXPECT_EQ(context.devices(), std::vector<KIVDevice*>{&added});
    // A search that did end is not given up after the fact.
    const uint64_t next = context.beginEnumeration();
    EXPECT_FALSE(context.enumerationEnded());
    EXPECT_TRUE(context.publishDevices(next, KIVDeviceArray{}));
    EXPECT_TRUE(context.enumerationEnded());
}

TEST(WizardContext, KeepsTheDevicesItMade) {
    WizardContext context(nullptr, nullptr);
    std::unique_ptr<KIVDevice> made(new KIVDevice());
    made->setIPAddress(L"10.1.1.1");
    KIVDevice* raw = made.get();
    context.adoptAddedDevice(std::move(made));
    EXPECT_EQ(context.addedDevice, raw);
    EXPECT_EQ(context.addedDevice->getIPAddress(), L"10.1.1.1");
}

} // namespace
