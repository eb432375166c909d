// The real simulator over real loopback TCP, one private /24 per test.
#include "SimHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Harness;

namespace {

const Bytes kVersionQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x05, 0x10};
const Bytes kStatusQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x00, 0x11};
const Bytes kIdentifierQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x00, 0x13};
const Bytes kSetupFirst = {0xA5, 0x00, 0x0D, 0x50, 0xE0, 0x82, 0x02, 0x03,
                           0x00, 0x03, 0x00, 0x00, 0xFF, 0xF0, 0x01, 0x01};
const Bytes kSetupSecond = {0xA5, 0x00, 0x05, 0x50, 0xE0, 0x82, 0x02, 0x02};
const Bytes kFlashScanQuery = {0x1B, 0x2A, 0x73, 0x01, 0x08};

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// Token 2 of a version reply as the engine reads it (header token, "FW", AIO).
std::string aioOf(const Bytes& reply) {
    std::string t = text(reply);
    if (t.size() < 8)
        return "<short reply>";
    t = t.substr(7, t.find('\0', 7) - 7);
    std::vector<std::string> tokens;
    for (size_t i = 0, j; i < t.size(); i = j + 1) {
        j = t.find(' ', i);
        if (j == std::string::npos)
            j = t.size();
        if (j > i)
            tokens.push_back(t.substr(i, j - i));
    }
    return tokens.size() >= 2 ? tokens[1] : "<no token>";
}

std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

class SimTest : public ::testing::Test {
protected:
    void start(const std::string& ini) { ASSERT_TRUE(sim.start(ini, testName())) << sim.errors(); }
    void startOne(const std::string& keys) { start("[p]\nAddress=@NET@.2\n" + keys); }
    std::string p() const { return sim.addr(2); }
    std::string state(const std::string& field) const { return sim.state("p", field); }
    Sim sim;
};

// ---- start and stop

TEST_F(SimTest, PrintsOneLinePerPrinterThenReady) {
    start("[a]\nAddress=@NET@.2\n[b]\nAddress=@NET@.3\nPort=9101\n");
    EXPECT_EQ("listening a " + sim.addr(2) + ":9100\nlistening b " + sim.addr(3) + ":9101\nready\n",
              sim.output());
    EXPECT_TRUE(canConnect(sim.addr(3), 9101));
    EXPECT_FALSE(canConnect(sim.addr(3), 9100));
}

TEST_F(SimTest, StopsWhenItsInputCloses) {
    startOne("");
    EXPECT_EQ(0, sim.stop());
    EXPECT_FALSE(canConnect(p()));
}

TEST_F(SimTest, StopsOnSignalsAndQuit) {
    for (int sig : {SIGTERM, SIGINT}) {
        startOne("");
        EXPECT_EQ(0, sim.signal(sig)) << sig;
        EXPECT_FALSE(canConnect(p()));
    }
    startOne("");
    EXPECT_EQ("OK\n", sim.control("QUIT"));
    EXPECT_EQ(0, sim.stop());
}

TEST_F(SimTest, StopsEvenWhileAClientHoldsAConnection) {
    startOne("Fault=silent\n");
    std::thread holder([this] { exchange(p(), kVersionQuery, nullptr, 4000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(0, sim.stop());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    holder.join();
}

TEST_F(SimTest, TakenAddressAndBadConfigAreReported) {
    startOne("");
    Sim second;
    EXPECT_EQ(3, second.startOn("[p]\nAddress=@NET@.2\n", sim.net()));
    EXPECT_NE(std::string::npos, second.errors().find("p: ")) << second.errors();
    Sim third;
    EXPECT_EQ(2, third.startOn("[p]\nAddress=@NET@.7\nFault=often\n", sim.net()));
    EXPECT_NE(std::string::npos, third.errors().find("line 3")) << third.errors();
}

// ---- replies

TEST_F(SimTest, AnswersTheEngineQueries) {
    startOne("VID=1A2B\nPID=3C4D\nAioVersion=K206_G010111_00\nFlashScanVersion=FS1_A1_02\n");
    Bytes v = exchange(p(), kVersionQuery);
    ASSERT_GE(v.size(), 7u);
    EXPECT_EQ(v.size(), 3u + (v[1] << 8 | v[2])) << "framed by its length";
    EXPECT_EQ("K206_G010111_00", aioOf(v));
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x81, 0x00}), exchange(p(), kStatusQuery));
    Bytes id = exchange(p(), kIdentifierQuery);
    ASSERT_EQ(15u, id.size());
    EXPECT_EQ((Bytes{0x1A, 0x2B, 0x3C, 0x4D}), Bytes(id.begin() + 11, id.end()));
    Bytes scan = exchange(p(), kFlashScanQuery);
    EXPECT_EQ(std::string("FS1_A1_02\0", 10), text(scan));
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x82, 0x00}), exchange(p(), kSetupFirst));
}

TEST_F(SimTest, AbsentFlashScanAndUnknownCommandsGetNothing) {
    startOne("Cmd.1B2A7331=0102\nCmd.A5000350E099=A5000250E0\n");
    bool connected = false;
    EXPECT_TRUE(exchange(p(), kFlashScanQuery, &connected).empty());
    EXPECT_TRUE(connected);
    EXPECT_TRUE(exchange(p(), {0xA5, 0x00, 0x03, 0x50, 0xE0, 0x98}).empty());
    EXPECT_TRUE(exchange(p(), {0x1B, 0x2A, 0x73, 0x32}).empty());
    // Configured update-sequence commands, raw and framed.
    EXPECT_EQ((Bytes{0x01, 0x02}), exchange(p(), {0x1B, 0x2A, 0x73, 0x31}));
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x02, 0x50, 0xE0}),
              exchange(p(), {0xA5, 0x00, 0x03, 0x50, 0xE0, 0x99}));
}

// ---- firmware files

TEST_F(SimTest, AcceptedFileResetsAndComesBackWithItsVersions) {
    startOne("AioVersion=K206_G010111_00\nPanelVersion=NP1.234567\nFlashScanVersion=FS1_A1_01\n"
             "ResetSeconds=1.5\n");
    ASSERT_TRUE(sendFile(p(), makeFls("K206", "K206_G082511_00", "", "FS1_A2_02", 300000)));
    // Gone by the time the sender sees the close.
    EXPECT_FALSE(canConnect(p()));
    EXPECT_EQ("1", state("away"));
    EXPECT_EQ("K206_G010111_00", state("aio")) << "the new version shows only after the reset";
    double back = waitUntilBack(p(), 5);
    EXPECT_GT(back, 1.0);
    EXPECT_LT(back, 2.5);
    EXPECT_EQ("K206_G082511_00", aioOf(exchange(p(), kVersionQuery)));
    EXPECT_EQ("NP1.234567", state("panel")) << "an empty field keeps the old part";
    EXPECT_EQ(std::string("FS1_A2_02\0", 10), text(exchange(p(), kFlashScanQuery)));
    EXPECT_EQ("1", state("received"));
    EXPECT_EQ("1", state("accepted"));
    EXPECT_EQ("1", state("resets"));
    EXPECT_EQ("accepted", state("last"));
}

TEST_F(SimTest, FileMadeByMkflsIsAccepted) {
    startOne("ResetSeconds=0.2\n");
    std::string path = "/tmp/sim-test-" + sim.net() + ".fls";
    std::string cmd = std::string(MKFLS_PATH) +
                      " --model K206 --aio K206_G082511_00 --panel "
                      "'AB.123456 CDEFG' --payload-bytes 100000 --seed 9 --out " +
                      path;
    ASSERT_EQ(0, std::system(cmd.c_str()));
    std::ifstream in(path, std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    ASSERT_EQ(128u + 100000u, file.size());
    ASSERT_TRUE(sendFile(p(), file));
    ASSERT_GE(waitUntilBack(p(), 3), 0);
    EXPECT_EQ("K206_G082511_00", state("aio"));
    EXPECT_EQ("AB.123456 CDEFG", state("panel"));
}

TEST_F(SimTest, RejectedFilesLeaveThePrinterAsItWas) {
    startOne("AioVersion=K206_G010111_00\n");
    struct Case {
        Bytes file;
        const char* last;
    };
    Bytes good = makeFls("K206", "K206_G082511_00", "", "", 5000);
    Bytes shortFile(good.begin(), good.end() - 1);
    Bytes longFile = good;
    longFile.push_back(0);
    Bytes badHeader = good;
    badHeader[30] = 0x07;
    std::vector<Case> cases = {{makeFls("K206", "K206_G082511_00", "", "", 5000, 1), "bad-crc"},
                               {makeFls("K207", "K207_G082511_00", "", "", 5000), "wrong-model"},
                               {shortFile, "wrong-length"},
                               {longFile, "wrong-length"},
                               {badHeader, "bad-header"}};
    int n = 0;
    for (const auto& c : cases) {
        sendFile(p(), c.file);
        ++n;
        EXPECT_EQ(c.last, state("last"));
        EXPECT_TRUE(canConnect(p())) << c.last << ": no reset";
        EXPECT_EQ("K206_G010111_00", aioOf(exchange(p(), kVersionQuery))) << c.last;
        EXPECT_EQ(std::to_string(n), state("received"));
    }
    EXPECT_EQ("0", state("accepted"));
    EXPECT_EQ("0", state("resets"));
}

TEST_F(SimTest, ZeroResetSecondsStillReopens) {
    startOne("ResetSeconds=0\n");
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(sendFile(
            p(), makeFls("K206", "K206_G08251" + std::to_string(round) + "_00", "", "", 1000)));
        ASSERT_GE(waitUntilBack(p(), 2), 0) << "round " << round;
        EXPECT_EQ("K206_G08251" + std::to_string(round) + "_00",
                  aioOf(exchange(p(), kVersionQuery)));
    }
    EXPECT_EQ("3", state("resets"));
}

// ---- faults

TEST_F(SimTest, BusyLeavesOnlyTheStatusQueryUnanswered) {
    startOne("Fault=busy\n");
    bool connected = false;
    EXPECT_TRUE(exchange(p(), kStatusQuery, &connected).empty());
    EXPECT_TRUE(connected);
    EXPECT_FALSE(exchange(p(), kVersionQuery).empty());
}

TEST_F(SimTest, SilentHoldsTheConnectionWithoutAWord) {
    start("[p]\nAddress=@NET@.2\nFault=silent\n[q]\nAddress=@NET@.3\n");
    auto t0 = std::chrono::steady_clock::now();
    bool connected = false;
    EXPECT_TRUE(exchange(p(), kVersionQuery, &connected, 1500).empty());
    EXPECT_TRUE(connected);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1400))
        << "closed early instead of holding";
    EXPECT_FALSE(exchange(sim.addr(3), kVersionQuery).empty()) << "the other printer answers";
}

TEST_F(SimTest, GarbageRepliesKeepTheirFramingButNotTheirHeader) {
    startOne("Fault=garbage\n");
    for (const Bytes& q : {kVersionQuery, kStatusQuery, kIdentifierQuery}) {
        Bytes r = exchange(p(), q);
        ASSERT_GE(r.size(), 7u);
        EXPECT_EQ(r.size(), 3u + (r[1] << 8 | r[2]));
        EXPECT_NE(0xA5, r[0]);
        EXPECT_FALSE(r[4] == 0xE0 && r[5] == 0x81);
    }
}

TEST_F(SimTest, TruncatedRepliesAreCutShort) {
    startOne("Fault=truncated\nFlashScanVersion=FS1_A010101_02\n");
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x02, 0x50, 0xE0}), exchange(p(), kVersionQuery));
    Bytes id = exchange(p(), kIdentifierQuery);
    EXPECT_EQ(12u, id.size());
    EXPECT_EQ(9u, exchange(p(), kFlashScanQuery).size()) << "one byte short of acceptable";
}

TEST_F(SimTest, CutFrameEndsTheConnectionInsideTheFrame) {
    startOne("Fault=cutframe\n");
    Bytes r = exchange(p(), kVersionQuery);
    ASSERT_GE(r.size(), 3u);
    EXPECT_LT(r.size(), 3u + (r[1] << 8 | r[2]));
    EXPECT_EQ(0xA5, r[0]);
}

TEST_F(SimTest, SlowScanAnswersFromTheThirdQueryAfterSetUp) {
    startOne("Fault=slowscan\nFlashScanVersion=FS1_A010101_02\n");
    EXPECT_TRUE(exchange(p(), kFlashScanQuery).empty());
    EXPECT_TRUE(exchange(p(), kFlashScanQuery).empty());
    exchange(p(), kSetupFirst);
    EXPECT_TRUE(exchange(p(), kFlashScanQuery).empty()) << "half set up";
    exchange(p(), kSetupSecond);
    EXPECT_TRUE(exchange(p(), kFlashScanQuery).empty());
    EXPECT_TRUE(exchange(p(), kFlashScanQuery).empty());
    EXPECT_EQ(15u, exchange(p(), kFlashScanQuery).size());
    EXPECT_EQ(15u, exchange(p(), kFlashScanQuery).size());
}

TEST_F(SimTest, NoResetAcceptsButNeverGoesAway) {
    startOne("Fault=noreset\nResetSeconds=1\n");
    ASSERT_TRUE(sendFile(p(), makeFls("K206", "K206_G082511_00", "", "", 1000)));
    EXPECT_TRUE(canConnect(p()));
    EXPECT_EQ("1", state("accepted"));
    EXPECT_EQ("0", state("resets"));
    EXPECT_EQ("K206_G010111_00", aioOf(exchange(p(), kVersionQuery)));
}

TEST_F(SimTest, KeepVersionResetsIntoTheOldVersion) {
    startOne("Fault=keepversion\nResetSeconds=0.5\n");
    ASSERT_TRUE(sendFile(p(), makeFls("K206", "K206_G082511_00", "", "", 1000)));
    EXPECT_FALSE(canConnect(p()));
    ASSERT_GE(waitUntilBack(p(), 3), 0);
    EXPECT_EQ("1", state("resets"));
    EXPECT_EQ("K206_G010111_00", aioOf(exchange(p(), kVersionQuery)));
}

TEST_F(SimTest, DropFileCutsTheTransferAndKeepsTheVersion) {
    startOne("Fault=dropfile\n");
    EXPECT_FALSE(sendFile(p(), makeFls("K206", "K206_G082511_00", "", "", 8 << 20)));
    EXPECT_EQ("dropped", state("last"));
    EXPECT_EQ("1", state("received"));
    EXPECT_EQ("0", state("accepted"));
    EXPECT_TRUE(canConnect(p()));
    EXPECT_EQ("K206_G010111_00", aioOf(exchange(p(), kVersionQuery)));
}

// ---- control port

TEST_F(SimTest, ControlSetAndRestore) {
    startOne("ResetSeconds=30\n");
    EXPECT_EQ("OK\n", sim.control("SET p AioVersion K206_G999999_09"));
    EXPECT_EQ("K206_G999999_09", aioOf(exchange(p(), kVersionQuery)));
    EXPECT_EQ("OK\n", sim.control("SET p PanelVersion AB.1 CD"));
    EXPECT_EQ("AB.1 CD", state("panel"));
    EXPECT_EQ("OK\n", sim.control("SET p Fault busy"));
    EXPECT_TRUE(exchange(p(), kStatusQuery).empty());
    ASSERT_TRUE(sendFile(p(), makeFls("K206", "K206_G082511_00", "", "", 1000)));
    EXPECT_FALSE(canConnect(p())) << "away for 30 s";
    // RESTORE ends the reset window at once and forgets everything.
    EXPECT_EQ("OK\n", sim.control("RESTORE p"));
    EXPECT_GE(waitUntilBack(p(), 1), 0);
    EXPECT_EQ("K206_G010111_00", state("aio"));
    EXPECT_EQ("none", state("fault"));
    EXPECT_EQ("0", state("received"));
    EXPECT_EQ("0", state("resets"));
}

// A caller can tell a run that only read the printer from one that sent it
// anything else: queries, other commands, input it did not understand and
// firmware files are counted apart, and a bare connection counts as nothing.
TEST_F(SimTest, StateCountsConnectionsByWhatTheyCarried) {
    startOne("Cmd.1B2A7331=0102\nResetSeconds=0.2\n");
    EXPECT_TRUE(canConnect(p()));
    for (const Bytes& query : {kVersionQuery, kIdentifierQuery, kStatusQuery, kFlashScanQuery})
        exchange(p(), query);
    exchange(p(), {0x1B, 0x2A, 0x73, 0x31});             // configured, raw
    exchange(p(), {0xA5, 0x00, 0x03, 0x50, 0xE0, 0x98}); // framed, known to nobody
    exchange(p(), {0x1B, 0x2A, 0x73, 0x32, 0x07, 0x07}); // raw, not understood
    auto counts = [this] {
        return state("queries") + " " + state("commands") + " " + state("discarded");
    };
    EXPECT_EQ("4 2 1", counts());
    ASSERT_TRUE(sendFile(p(), makeFls("K206", "K206_G082511_00", "", "", 1000)));
    EXPECT_EQ("4 2 1 1", counts() + " " + state("received"));
    EXPECT_EQ("OK\n", sim.control("RESTORE p"));
    EXPECT_EQ("0 0 0", counts());
}

TEST_F(SimTest, OfflinePrinterRefusesUntilSwitchedOn) {
    start("[p]\nAddress=@NET@.2\nOffline=1\n[q]\nAddress=@NET@.3\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(canConnect(p()));
    EXPECT_TRUE(canConnect(sim.addr(3))) << "the other printer is on";
    EXPECT_EQ("OK\n", sim.control("SET p Offline 0"));
    // Switched on by the time the answer comes: a search right after it
    // finds the printer.
    EXPECT_TRUE(canConnect(p()));
    ASSERT_GE(waitUntilBack(p(), 2), 0);
    EXPECT_EQ("K206_G010111_00", aioOf(exchange(p(), kVersionQuery)));
    EXPECT_EQ("OK\n", sim.control("SET p Offline 1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(canConnect(p())) << "switched off again";
}

TEST_F(SimTest, ControlRefusesWhatItCannotDo) {
    startOne("");
    EXPECT_EQ(0u, sim.control("SET q Fault busy").find("ERR ")) << "no such printer";
    EXPECT_EQ(0u, sim.control("SET p Colour blue").find("ERR "));
    EXPECT_EQ(0u, sim.control("SET p Address 127.0.0.9").find("ERR "));
    EXPECT_EQ(0u, sim.control("SET p VID 12345").find("ERR "));
    EXPECT_EQ(0u, sim.control("DANCE").find("ERR "));
    EXPECT_EQ(0u, sim.control(std::string(5000, 'S')).find("ERR "));
    EXPECT_EQ("none", state("fault"));
}

TEST_F(SimTest, StateFileFollowsChanges) {
    std::string path = "/tmp/sim-state-" + std::to_string(::getpid()) + ".txt";
    sim.extraArgs = {"--state", path};
    startOne("");
    ASSERT_EQ("OK\n", sim.control("SET p FlashScanVersion FS9_A1_00"));
    std::string seen;
    for (int i = 0; i < 50 && seen.find("scan=FS9_A1_00") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(path);
        seen.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(std::string::npos, seen.find("p " + p() + ":9100 ")) << seen;
    EXPECT_NE(std::string::npos, seen.find("scan=FS9_A1_00")) << seen;
    EXPECT_EQ(0, sim.stop());
    std::remove(path.c_str());
}

// ---- bad clients

TEST_F(SimTest, BadClientsDoNotHurtIt) {
    startOne("");
    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        Bytes junk(size_t(rng() % 3000 + 1));
        for (auto& b : junk)
            b = uint8_t(rng());
        exchange(p(), junk, nullptr, 100);
    }
    // A frame announcing more than is sent, half a file header, a crowd of idle clients.
    exchange(p(), {0xA5, 0xFF, 0xFF, 0x50}, nullptr, 300);
    exchange(p(), {'K', 'I', 'V', 'F', 'L', 'S', '0', '1', 'K'}, nullptr, 300);
    std::vector<std::thread> crowd;
    for (int i = 0; i < 40; ++i)
        crowd.emplace_back([this] { exchange(p(), {0xA5}, nullptr, 500); });
    for (auto& t : crowd)
        t.join();
    EXPECT_EQ("K206_G010111_00", aioOf(exchange(p(), kVersionQuery)));
    EXPECT_EQ(0, sim.stop()) << sim.errors();
}

} // namespace
