#include "DialogTemplate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Builds templates byte by byte, the way the resource compiler lays them out.
class Bytes {
public:
    Bytes& word(std::uint16_t v) {
        b_.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b_.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    Bytes& dword(std::uint32_t v) {
        return word(v & 0xFFFF).word(static_cast<std::uint16_t>(v >> 16));
    }
    Bytes& text(const std::u16string& s) {
        for (char16_t c : s)
            word(c);
        return word(0);
    }
    Bytes& byte(std::uint8_t v) {
        b_.push_back(v);
        return *this;
    }
    Bytes& align() {
        while (b_.size() % 4)
            b_.push_back(0);
        return *this;
    }
    const std::vector<std::uint8_t>& get() const { return b_; }

private:
    std::vector<std::uint8_t> b_;
};

// One dialog with a font and two controls: a predefined button given by
// ordinal and a list view given by class name, with creation data.
std::vector<std::uint8_t> sampleTemplate() {
    Bytes b;
    b.word(1).word(0xFFFF).dword(7).dword(0x400000).dword(0x80C800C8).word(2);
    b.word(0).word(0).word(473).word(266);
    b.word(0).word(0).text(u"Title");
    b.word(8).word(400).byte(0).byte(1).text(u"MS Shell Dlg");
    b.align().dword(0).dword(0).dword(0x50010001).word(416).word(245).word(50).word(14);
    b.dword(1).word(0xFFFF).word(0x0080).text(u"...").word(0);
    b.align().dword(0).dword(0x200).dword(0x50810001).word(7).word(60).word(459).word(74);
    b.dword(1004).text(u"SysListView32").word(0).word(2).byte(0xAB).byte(0xCD);
    return b.get();
}

TEST(DialogTemplate, ReadsHeaderFontAndControls) {
    std::vector<std::uint8_t> bytes = sampleTemplate();
    kiv::DialogTemplateEx t;
    std::string error;
    ASSERT_TRUE(kiv::parseDialogTemplateEx(bytes.data(), bytes.size(), t, error)) << error;
    EXPECT_EQ(t.helpId, 7u);
    EXPECT_EQ(t.exStyle, 0x400000u);
    EXPECT_EQ(t.cx, 473);
    EXPECT_EQ(t.cy, 266);
    EXPECT_EQ(t.title, u"Title");
    ASSERT_TRUE(t.hasFont);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.charset, 1);
    EXPECT_EQ(t.typeface, u"MS Shell Dlg");
    ASSERT_EQ(t.items.size(), 2u);

    const kiv::DialogItem& button = t.items[0];
    EXPECT_EQ(button.id, 1u);
    EXPECT_TRUE(button.windowClass.isOrdinal);
    EXPECT_EQ(button.windowClass.ordinal, 0x0080);
    EXPECT_FALSE(button.title.isOrdinal);
    EXPECT_EQ(button.title.text, u"...");
    EXPECT_EQ(button.x, 416);
    EXPECT_EQ(button.cy, 14);

    const kiv::DialogItem& list = t.items[1];
    EXPECT_EQ(list.id, 1004u);
    EXPECT_EQ(list.exStyle, 0x200u);
    EXPECT_FALSE(list.windowClass.isOrdinal);
    EXPECT_EQ(list.windowClass.text, u"SysListView32");
    EXPECT_TRUE(list.title.text.empty());
    EXPECT_EQ(list.extra, (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

TEST(DialogTemplate, RejectsEveryTruncation) {
    std::vector<std::uint8_t> bytes = sampleTemplate();
    kiv::DialogTemplateEx t;
    std::string error;
    // The last control's creation data ends the template, so every shorter
    // prefix misses a field.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(kiv::parseDialogTemplateEx(bytes.data(), n, t, error)) << "length " << n;
    }
}

TEST(DialogTemplate, RejectsAClassicTemplate) {
    std::vector<std::uint8_t> bytes = sampleTemplate();
    bytes[0] = 0xC8; // a DLGTEMPLATE starts with its style, not version 1
    bytes[2] = 0x00;
    bytes[3] = 0x80;
    kiv::DialogTemplateEx t;
    std::string error;
    EXPECT_FALSE(kiv::parseDialogTemplateEx(bytes.data(), bytes.size(), t, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
