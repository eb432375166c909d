#include "SimConfig.h"

#include <gtest/gtest.h>

namespace {

TEST(SimConfigParse, DefaultsAndEveryKey) {
    std::vector<PrinterConfig> p;
    std::string error;
    ASSERT_TRUE(parseConfig("; two printers\n[a]\nAddress=127.1.2.3\n"
                            "[b]\naddress = 127.1.2.4 \nPort=9101\nModel=K300\nVID=1a2b\nPID=00FF\n"
                            "AioVersion=K300_A010101_01\nPanelVersion=AB.123456 CDEFG\n"
                            "FlashScanVersion=FS_B1_00\nResetSeconds=1.5\nFault=SlowScan\n"
                            "ReplySeconds=0.25\nKeepOpen=1\n"
                            "Cmd.1b2a=A5000150\n",
                            p, error))
        << error;
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ("a", p[0].section);
    EXPECT_EQ(9100, p[0].port);
    EXPECT_EQ("K206", p[0].model);
    EXPECT_EQ(0x7B1E, p[0].vid);
    EXPECT_EQ(0x31C7, p[0].pid);
    EXPECT_EQ(Fault::None, p[0].fault);
    EXPECT_EQ("127.1.2.4", p[1].address);
    EXPECT_EQ(9101, p[1].port);
    EXPECT_EQ("K300", p[1].model);
    EXPECT_EQ(0x1A2B, p[1].vid);
    EXPECT_EQ(0x00FF, p[1].pid);
    EXPECT_EQ("AB.123456 CDEFG", p[1].panelVersion);
    EXPECT_EQ("FS_B1_00", p[1].scanVersion);
    EXPECT_DOUBLE_EQ(1.5, p[1].resetSeconds);
    EXPECT_DOUBLE_EQ(0.25, p[1].replySeconds);
    EXPECT_TRUE(p[1].keepOpen);
    EXPECT_FALSE(p[0].keepOpen);
    EXPECT_EQ(Fault::SlowScan, p[1].fault);
    ASSERT_EQ(1u, p[1].cmds.size());
    EXPECT_EQ((std::vector<uint8_t>{0x1B, 0x2A}), p[1].cmds.begin()->first);
    EXPECT_EQ("A5000150", toHex(p[1].cmds.begin()->second));
}

TEST(SimConfigParse, MistakesAreReportedWithTheLine) {
    const char* bad[] = {
        "",                                                 // no printer at all
        "[a]\nPort=9100\n",                                 // no Address
        "Address=127.0.0.2\n",                              // key outside a section
        "[a]\nAddress=127.0.0.2\n[a]\nAddress=127.0.0.3\n", // section twice
        "[a]\nAddress=127.0.0.256\n",
        "[a]\nAddress=127.0.0.2\nVID=7B1\n",
        "[a]\nAddress=127.0.0.2\nAioVersion=K206 G1\n", // blank would shift tokens
        "[a]\nAddress=127.0.0.2\nPanelVersion=A B C\n",
        "[a]\nAddress=127.0.0.2\nFault=sometimes\n",
        "[a]\nAddress=127.0.0.2\nResetSeconds=-1\n",
        "[a]\nAddress=127.0.0.2\nCmd.1B2=00\n",
        "[a]\nAddress=127.0.0.2\nColour=blue\n",
        "[a]\nAddress=127.0.0.2\nPort=65536\n",
    };
    for (const char* text : bad) {
        std::vector<PrinterConfig> p;
        std::string error;
        EXPECT_FALSE(parseConfig(text, p, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_TRUE(p.empty());
    }
    std::vector<PrinterConfig> p;
    std::string error;
    EXPECT_FALSE(parseConfig("[a]\nAddress=127.0.0.2\n\nVID=zz\n", p, error));
    EXPECT_EQ(0u, error.find("line 4: ")) << error;
}

TEST(SimConfigSet, RunningPrintersKeepTheirAddress) {
    PrinterConfig c;
    std::string error;
    EXPECT_TRUE(setKey(c, "Address", "127.0.0.9", true, error));
    EXPECT_FALSE(setKey(c, "Address", "127.0.0.8", false, error));
    EXPECT_FALSE(setKey(c, "Port", "9200", false, error));
    EXPECT_EQ("127.0.0.9", c.address);
    EXPECT_TRUE(setKey(c, "FlashScanVersion", "", false, error));
    EXPECT_TRUE(setKey(c, "fault", "", false, error));
    EXPECT_EQ(Fault::None, c.fault);
    EXPECT_TRUE(setKey(c, "Cmd.01", "02", false, error));
    EXPECT_TRUE(setKey(c, "Cmd.01", "", false, error)) << "an empty reply removes the command";
    EXPECT_TRUE(c.cmds.empty());
}

TEST(SimConfigHex, RoundTripAndRejects) {
    std::vector<uint8_t> b;
    ASSERT_TRUE(fromHex("00a5FF", b));
    EXPECT_EQ("00A5FF", toHex(b));
    EXPECT_FALSE(fromHex("0", b));
    EXPECT_FALSE(fromHex("0g", b));
    EXPECT_EQ("00A5FF", toHex(b)) << "a refused text leaves the output alone";
}

TEST(SimConfigFault, NamesRoundTrip) {
    for (int i = 0; i <= int(Fault::PauseFile); ++i) {
        Fault f;
        ASSERT_TRUE(parseFault(toString(Fault(i)), f));
        EXPECT_EQ(Fault(i), f);
    }
}

} // namespace
