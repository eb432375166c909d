// Runs under Wine inside with-sim.sh: the helper that Windows tests use to find and
// steer the simulator, and the path from Winsock to the simulated printers.
#include "SimControl.h"

#include "WindowsSupport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One A5 command to a printer, its whole framed reply back.
std::vector<unsigned char> query(const std::wstring& address,
                                 const std::vector<unsigned char>& cmd) {
    std::string a(address.begin(), address.end());
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(9100);
    sa.sin_addr.s_addr = inet_addr(a.c_str());
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    std::vector<unsigned char> reply;
    DWORD timeoutMs = 3000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        send(s, reinterpret_cast<const char*>(cmd.data()), int(cmd.size()), 0) == int(cmd.size())) {
        char buf[512];
        int n;
        while ((n = recv(s, buf, sizeof buf, 0)) > 0)
            reply.insert(reply.end(), buf, buf + n);
    }
    closesocket(s);
    return reply;
}

const std::vector<unsigned char> kVersionQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0,
                                                  0x81, 0x00, 0x02, 0x05, 0x10};
const std::vector<unsigned char> kStatusQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0,
                                                 0x81, 0x00, 0x02, 0x00, 0x11};

class SimControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    void TearDown() override {
        simRestore("lp1");
        simRestore("lp2");
    }
};

TEST_F(SimControlTest, AddressesComeFromTheEnvironment) {
    std::wstring net = simNet();
    ASSERT_FALSE(net.empty()) << "not started by with-sim.sh";
    EXPECT_EQ(0u, net.rfind(L"127.", 0));
    EXPECT_EQ(net + L".2", simAddress(2));
    std::string lp1 = simStateField("lp1", "address");
    EXPECT_EQ(std::wstring(lp1.begin(), lp1.end()), simAddress(2) + L":9100");
}

TEST_F(SimControlTest, StateFieldsAreDecoded) {
    EXPECT_EQ("K206_G010111_00", simStateField("lp1", "aio"));
    EXPECT_EQ("AB.123456 CDEFG", simStateField("lp1", "panel"));
    EXPECT_EQ("busy", simStateField("lp2", "fault"));
    EXPECT_EQ("0", simStateField("lp1", "received"));
    EXPECT_EQ("", simStateField("nosuch", "aio"));
}

TEST_F(SimControlTest, SetChangesWhatThePrinterAnswers) {
    ASSERT_TRUE(simSet("lp1", "AioVersion", "K206_G999999_09"));
    std::vector<unsigned char> reply = query(simAddress(2), kVersionQuery);
    std::string text(reply.begin(), reply.end());
    EXPECT_NE(std::string::npos, text.find(" K206_G999999_09 ")) << text;
    EXPECT_TRUE(simRestore("lp1"));
    reply = query(simAddress(2), kVersionQuery);
    EXPECT_NE(std::string::npos, std::string(reply.begin(), reply.end()).find(" K206_G010111_00 "));
}

TEST_F(SimControlTest, FaultsCanBeSwitchedFromTheTest) {
    EXPECT_TRUE(query(simAddress(3), kStatusQuery).empty());
    ASSERT_TRUE(simSet("lp2", "Fault", "none"));
    EXPECT_EQ(7u, query(simAddress(3), kStatusQuery).size());
}

TEST_F(SimControlTest, RefusedCommandsReportFailure) {
    std::string reply;
    EXPECT_FALSE(simSet("lp1", "NoSuchKey", "1"));
    EXPECT_FALSE(simSet("nosuch", "Fault", "busy"));
    EXPECT_FALSE(simCommand("JUMP", reply));
    EXPECT_TRUE(simCommand("STATE", reply));
    EXPECT_EQ(std::string::npos, reply.find("OK")) << "the verdict line is not part of the reply";
}

} // namespace
