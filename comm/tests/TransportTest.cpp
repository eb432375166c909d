// The transports and the communication object over real loopback sockets and
// a named pipe standing in for a USB printer's device interface.
#include "LoopbackServer.h"

#include "CommTimeouts.h"
#include "FileStream.h"
#include "KIVComm.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "TestSupport.h"
#include "TcpTransport.h"
#include "UsbTransport.h"
#include "WindowsSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <thread>

namespace {
typedef std::vector<uint8_t> Bytes;
using Clock = std::chrono::steady_clock;

const Bytes StatusQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x00, 0x11};
const Bytes StatusReply = {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x81, 0x00};
const Bytes ScanQuery = {0x1B, 0x2A, 0x73, 0x01, 0x08};

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

KIVDevice networkDevice(uint16_t port) {
    KIVDevice device;
    device.setType(KIVDevice::TypeNetwork);
    device.setIPAddress(L"127.0.0.1");
    device.setTcpPort(port);
    return device;
}
} // namespace

TEST(TcpTransport, FramedReplyInPiecesArrivesWhole) {
    LoopbackServer server([](SOCKET c, const Bytes&) {
        LoopbackServer::sendBytes(c, Bytes(StatusReply.begin(), StatusReply.begin() + 2));
        pause(150);
        LoopbackServer::sendBytes(c, Bytes(StatusReply.begin() + 2, StatusReply.end() - 1));
        pause(150);
        // Bytes after the frame belong to nobody and are not handed out.
        LoopbackServer::sendBytes(c, Bytes{StatusReply.back(), 0xEE, 0xEE});
    });
    TcpTransport transport(L"127.0.0.1", server.port());
    Bytes reply;
    EXPECT_EQ(transport.exchange(StatusQuery, reply), Transport::Ok);
    EXPECT_EQ(reply, StatusReply);
    EXPECT_EQ(server.lastReceived(), StatusQuery);
}

TEST(TcpTransport, FrameOneByteShortIsNoReply) {
    // Closed at once, and left open: both give nothing rather than a part.
    for (int holdMs : {0, 1500}) {
        LoopbackServer server([holdMs](SOCKET c, const Bytes&) {
            LoopbackServer::sendBytes(c, Bytes(StatusReply.begin(), StatusReply.end() - 1));
            LoopbackServer::holdUntilClosed(c, holdMs);
        });
        TcpTransport transport(L"127.0.0.1", server.port());
        Bytes reply = {1};
        EXPECT_EQ(transport.exchange(StatusQuery, reply), Transport::NoReply) << holdMs;
        EXPECT_TRUE(reply.empty());
    }
}

// The link's waits, told apart by replies that only one of them lets through.
// The figures are written out here, not taken from the link's own constants.
TEST(TcpTransport, RawReplyEndsAtItsIdleBound) {
    const Bytes version = {'K', '2', '0', '6', '_', 'F', 'S', '0', '1', '0', '1', 0};
    std::atomic<long long> lastByteAt(0);
    Clock::time_point start = Clock::now();
    LoopbackServer server([&](SOCKET c, const Bytes&) {
        LoopbackServer::sendBytes(c, Bytes(version.begin(), version.begin() + 5));
        pause(50);
        LoopbackServer::sendBytes(c, Bytes(version.begin() + 5, version.end()));
        lastByteAt = msSince(start);
        // Held open: only the idle time can end the reply.
        LoopbackServer::holdUntilClosed(c, 3000);
    });
    TcpTransport transport(L"127.0.0.1", server.port());
    Bytes reply;
    EXPECT_EQ(transport.exchange(ScanQuery, reply), Transport::Ok);
    const long long afterLastByte = msSince(start) - lastByteAt;
    EXPECT_GE(afterLastByte, 150);
    EXPECT_LT(afterLastByte, 600) << "a raw reply ends 200 ms after its last byte";
    EXPECT_EQ(reply, version);
}

TEST(TcpTransport, FrameWithAPauseShorterThanTheGapBoundIsReadWhole) {
    LoopbackServer server([](SOCKET c, const Bytes&) {
        LoopbackServer::sendBytes(c, Bytes(StatusReply.begin(), StatusReply.begin() + 4));
        pause(600);
        LoopbackServer::sendBytes(c, Bytes(StatusReply.begin() + 4, StatusReply.end()));
        LoopbackServer::holdUntilClosed(c, 2000);
    });
    TcpTransport transport(L"127.0.0.1", server.port());
    Bytes reply;
    EXPECT_EQ(transport.exchange(StatusQuery, reply), Transport::Ok);
    EXPECT_EQ(reply, StatusReply);
}

// A raw reply may start late (a printer busy with the step before), unless
// the caller asks a query that is answered at once or never.
TEST(TcpTransport, RawReplyMayStartLateUnlessAskedAtOnce) {
    const Bytes version = {'K', '2', '0', '6', '_', 'F', 'S', '0', '1', '0', '1', 0};
    for (RawStart start : {RawStart::AtOnce, RawStart::InTime}) {
        for (int lateMs : {100, 1500}) {
            LoopbackServer server([&](SOCKET c, const Bytes&) {
                pause(lateMs);
                LoopbackServer::sendBytes(c, version);
                LoopbackServer::holdUntilClosed(c, 3000);
            });
            TcpTransport transport(L"127.0.0.1", server.port());
            Bytes reply;
            Clock::time_point began = Clock::now();
            Transport::Result result = transport.exchange(ScanQuery, reply, start);
            if (lateMs == 1500 && start == RawStart::AtOnce) {
                // Asked 30 times a second apart, a silent part must cost little.
                EXPECT_EQ(result, Transport::NoReply);
                EXPECT_LT(msSince(began), 700);
            } else {
                EXPECT_EQ(result, Transport::Ok) << lateMs;
                EXPECT_EQ(reply, version) << lateMs;
            }
        }
    }
    // Whatever it may wait for, a raw command to a silent printer ends.
    LoopbackServer silent([](SOCKET c, const Bytes&) { LoopbackServer::holdUntilClosed(c, 4000); });
    TcpTransport transport(L"127.0.0.1", silent.port());
    Bytes reply;
    Clock::time_point began = Clock::now();
    EXPECT_EQ(transport.exchange(ScanQuery, reply), Transport::NoReply);
    EXPECT_LT(msSince(began), 2500);
}

TEST(TcpTransport, SilentPrinterCostsABoundedTime) {
    LoopbackServer server([](SOCKET c, const Bytes&) {
        LoopbackServer::holdUntilClosed(c, CommTimeouts::ReplyTotalMs + 1000);
    });
    TcpTransport transport(L"127.0.0.1", server.port());
    Bytes reply;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(transport.exchange(StatusQuery, reply), Transport::NoReply);
    long long spent = msSince(start);
    EXPECT_GE(spent, CommTimeouts::FirstByteMs - 100);
    EXPECT_LT(spent, CommTimeouts::FirstByteMs + 1500);
    // A printer that trickles one byte at a time never completing its frame
    // is cut off by the bound on the whole reply.
    LoopbackServer trickle([](SOCKET c, const Bytes&) {
        LoopbackServer::sendBytes(c, Bytes{0xA5, 0x01, 0x00});
        for (int i = 0; i < 20 && LoopbackServer::sendBytes(c, Bytes{0x41}); ++i)
            LoopbackServer::holdUntilClosed(c, 500);
    });
    TcpTransport slow(L"127.0.0.1", trickle.port());
    start = Clock::now();
    EXPECT_EQ(slow.exchange(StatusQuery, reply), Transport::NoReply);
    EXPECT_LT(msSince(start), CommTimeouts::ReplyTotalMs + 1500);
}

TEST(TcpTransport, ReadinessAndUnreachablePrinters) {
    LoopbackServer server([](SOCKET, const Bytes&) {});
    TcpTransport present(L"127.0.0.1", server.port());
    EXPECT_TRUE(present.isReady());
    for (int i = 0; i < 50 && server.connections() == 0; ++i)
        pause(20);
    EXPECT_EQ(server.connections(), 1);

    TcpTransport absent(L"127.0.0.1", LoopbackServer::closedPort());
    EXPECT_FALSE(absent.isReady());
    Bytes reply = {1};
    EXPECT_EQ(absent.exchange(StatusQuery, reply), Transport::Unreachable);
    EXPECT_TRUE(reply.empty());
    for (const wchar_t* address : {L"localhost", L"", L"127.0.0.300"})
        EXPECT_FALSE(TcpTransport(address, server.port()).isReady()) << address;
    EXPECT_FALSE(TcpTransport(L"127.0.0.1", 0).isReady());
}

TEST(TcpTransport, FileIsStreamedWhole) {
    Bytes content(300 * 1024 + 17);
    std::mt19937 random(7);
    for (uint8_t& b : content)
        b = static_cast<uint8_t>(random());
    const char* path = "comm-transport-test.fls";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), content.size());
    LoopbackServer server([](SOCKET, const Bytes&) {}, true);
    TcpTransport transport(L"127.0.0.1", server.port());
    EXPECT_EQ(transport.sendFile(L"comm-transport-test.fls", CommTimeouts::SendStallMs,
                                 CommTimeouts::FileTotalMs),
              Transport::Ok);
    EXPECT_EQ(server.lastReceived(), content);
    // A printer that keeps the link open after the file is not waited for
    // long, and still gets every byte.
    // (It has seen the end of the file, so it just sits on the link.)
    LoopbackServer keepsOpen([](SOCKET, const Bytes&) { pause(3000); }, true);
    TcpTransport toKeepOpen(L"127.0.0.1", keepsOpen.port());
    Clock::time_point start = Clock::now();
    EXPECT_EQ(toKeepOpen.sendFile(L"comm-transport-test.fls", CommTimeouts::SendStallMs,
                                  CommTimeouts::FileTotalMs),
              Transport::Ok);
    EXPECT_LT(msSince(start), 1500);
    for (int i = 0; i < 100 && keepsOpen.lastReceived().size() < content.size(); ++i)
        pause(20);
    EXPECT_EQ(keepsOpen.lastReceived(), content);

    std::remove(path);
    EXPECT_EQ(transport.sendFile(L"comm-transport-test.fls", CommTimeouts::SendStallMs,
                                 CommTimeouts::FileTotalMs),
              Transport::FileError);
    EXPECT_EQ(server.connections(), 1);
}

// A printer that keeps taking the file, each piece well inside the stall
// limit but too slowly to finish within the whole transfer's limit, is given
// up at that limit rather than hours later when the file ends.
TEST(TcpTransport, AFileThatTricklesIsGivenUpAtItsTotalLimit) {
    const char* path = "comm-transport-trickle.fls";
    const size_t fileBytes = 8 * 1024 * 1024;
    std::ofstream(path, std::ios::binary) << std::string(fileBytes, 'x');
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int window = 8192; // before listen, so that the connection's window is small
    setsockopt(listener, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&window),
               sizeof window);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    int size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::atomic<bool> done{false};
    std::atomic<size_t> received{0};
    std::thread printer([&] {
        SOCKET c = accept(listener, nullptr, nullptr);
        char piece[16384];
        while (!done) {
            int n = recv(c, piece, sizeof piece, 0);
            if (n <= 0)
                break;
            received += static_cast<size_t>(n);
            pause(50);
        }
        closesocket(c);
    });
    TcpTransport transport(L"127.0.0.1", ntohs(address.sin_port));
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(transport.sendFile(L"comm-transport-trickle.fls", 5000, 2000), Transport::SendFailed);
    const long long spent = msSince(start);
    done = true;
    printer.join();
    closesocket(listener);
    std::remove(path);
    EXPECT_GE(spent, 1500);
    EXPECT_LT(spent, 3500);
    EXPECT_GT(received.load(), 0u);
    EXPECT_LT(received.load(), fileBytes);
}

// Once the printer stops taking bytes, the rest of the file is not read; an
// empty file is sent by sending nothing.
TEST(FileStream, StopsAtTheFirstRefusedChunk) {
    const char* path = "comm-filestream-test.fls";
    std::ofstream(path, std::ios::binary) << std::string(200 * 1024, 'x');
    size_t calls = 0, bytes = 0;
    {
        FileStream file(L"comm-filestream-test.fls");
        ASSERT_TRUE(file.isOpen());
        auto refuseSecond = [&](const uint8_t*, size_t size) {
            bytes += size;
            return ++calls < 2;
        };
        EXPECT_EQ(file.sendTo(refuseSecond), Transport::SendFailed);
    }
    EXPECT_EQ(calls, 2u);
    EXPECT_LT(bytes, 200u * 1024);

    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    {
        FileStream empty(L"comm-filestream-test.fls");
        ASSERT_TRUE(empty.isOpen());
        EXPECT_EQ(empty.sendTo([&](const uint8_t*, size_t) { return ++calls > 0; }), Transport::Ok);
    }
    EXPECT_EQ(calls, 2u);
    std::remove(path);
    EXPECT_FALSE(FileStream(L"comm-filestream-test.fls").isOpen());
}

namespace {
// One side of a named pipe playing a USB printer: answers each opening of the
// pipe by the handler's reply, or stays silent.
class PipePrinter {
public:
    // emptyReads: zero-length messages sent before the reply, as a USB printer
    // answers a read while it has nothing yet.
    PipePrinter(const std::wstring& name, Bytes reply, int holdMs, int emptyReads = 0)
        : path_(L"\\\\.\\pipe\\" + name), reply_(reply), holdMs_(holdMs), emptyReads_(emptyReads) {
        DWORD mode = emptyReads ? PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE
                                : PIPE_TYPE_BYTE | PIPE_READMODE_BYTE;
        pipe_ = CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX, mode | PIPE_WAIT, 1, 4096, 4096,
                                 0, nullptr);
        thread_ = std::thread([this] { serveOnce(); });
    }
    ~PipePrinter() {
        // A test that never opened the pipe must not leave the server waiting.
        HANDLE unblock = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        if (unblock != INVALID_HANDLE_VALUE)
            CloseHandle(unblock);
        thread_.join();
        CloseHandle(pipe_);
    }
    const std::wstring& path() const { return path_; }
    Bytes received() const { return received_; }

private:
    void serveOnce() {
        if (!ConnectNamedPipe(pipe_, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED)
            return;
        uint8_t buffer[256];
        DWORD n = 0;
        if (ReadFile(pipe_, buffer, sizeof buffer, &n, nullptr))
            received_.assign(buffer, buffer + n);
        DWORD written = 0;
        for (int i = 0; i < emptyReads_; ++i) {
            WriteFile(pipe_, "", 0, &written, nullptr);
            pause(100);
        }
        if (!reply_.empty())
            WriteFile(pipe_, reply_.data(), static_cast<DWORD>(reply_.size()), &written, nullptr);
        pause(holdMs_);
        FlushFileBuffers(pipe_);
        DisconnectNamedPipe(pipe_);
    }

    std::wstring path_;
    Bytes reply_;
    int holdMs_;
    int emptyReads_;
    HANDLE pipe_;
    Bytes received_;
    std::thread thread_;
};

std::wstring pipeName(const wchar_t* tag) {
    return std::wstring(L"kiv-comm-test-") + tag + L"-" + std::to_wstring(GetCurrentProcessId());
}
} // namespace

TEST(UsbTransport, DeviceInterfaceExchangeThroughTheComObject) {
    PipePrinter printer(pipeName(L"answer"), StatusReply, 300);
    KIVDevice device;
    device.setType(KIVDevice::TypeUsb);
    device.setUsbDevicePath(printer.path());
    KIVComm comm(nullptr);
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(comm.sendPacket(&device, L"A5000750E08100020011", &reply, &length), Transport::Ok);
    ASSERT_EQ(length, StatusReply.size());
    EXPECT_EQ(Bytes(reply, reply + length), StatusReply);
}

TEST(UsbTransport, EmptyReadsBeforeTheReplyDoNotEndIt) {
    PipePrinter printer(pipeName(L"empty"), StatusReply, 300, 3);
    UsbTransport transport(printer.path());
    Bytes reply;
    EXPECT_EQ(transport.exchange(StatusQuery, reply), Transport::Ok);
    EXPECT_EQ(reply, StatusReply);
}

TEST(UsbTransport, SilentDeviceIsBoundedAndMissingPathIsNotReady) {
    PipePrinter printer(pipeName(L"silent"), Bytes(), CommTimeouts::FirstByteMs + 1000);
    UsbTransport transport(printer.path());
    Bytes reply = {1};
    Clock::time_point start = Clock::now();
    EXPECT_EQ(transport.exchange(StatusQuery, reply), Transport::NoReply);
    EXPECT_LT(msSince(start), CommTimeouts::FirstByteMs + 1500);
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(printer.received(), StatusQuery);

    EXPECT_FALSE(UsbTransport(L"\\\\.\\pipe\\kiv-comm-test-nobody").isReady());
    EXPECT_FALSE(UsbTransport(L"").isReady());
}

// Every interface that answers is listed, whatever product it reports: the
// fit is the engine's to judge, and the log says only what was read.
TEST(UsbTransport, AnsweringInterfacesBecomeUsbRecords) {
    const char text[] = " FW K206_G082511_00 PNL";
    Bytes version = {0xA5, 0x00, 0x00, 0x50, 0xE0, 0x81, 0x00};
    version.insert(version.end(), text, text + sizeof text); // with its zero byte
    version[2] = static_cast<uint8_t>(version.size() - 3);
    PipePrinter printer(L"usb#vid_7b1e&pid_0a1b#" + pipeName(L"enum"), version, 0);
    PipePrinter second(L"usb#vid_7b1e&pid_0a1b#" + pipeName(L"enum2"), version, 0);
    std::vector<UsbPrinterPath> found(3);
    found[0].devicePath = L"\\\\.\\pipe\\usb#vid_7b1e&pid_31c7#nobody";
    found[0].vid = L"7B1E";
    found[0].pid = L"31C7";
    found[1].devicePath = printer.path();
    found[1].vid = L"7B1E";
    found[1].pid = L"0A1B";
    found[1].portName = L"USB003"; // as Windows named its port
    found[2] = found[1];
    found[2].devicePath = second.path();
    found[2].portName.clear();
    KIVDeviceArray list;
    std::string logged;
    {
        ScopedTestLog log;
        MethodTrace trace(LogCommInterface, L"test");
        KIVComm::appendUsbPrinters(found, list, trace);
        for (const std::string& line : log.texts())
            logged += line + "\n";
    }
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->getType(), KIVDevice::TypeUsb);
    EXPECT_EQ(list[0]->getName(), L"K206");
    EXPECT_EQ(list[0]->getPortName(), L"USB003");
    // Numbered by its place among the interfaces only when Windows keeps no
    // port name for it, and past a name Windows gave another printer.
    EXPECT_EQ(list[1]->getPortName(), L"USB004");
    EXPECT_EQ(list[0]->getUsbDevicePath(), printer.path());
    EXPECT_EQ(list[0]->getHardwareIds(), L"7B1E:0A1B");
    EXPECT_EQ(printer.received(),
              (Bytes{0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x05, 0x10}));
    EXPECT_NE(logged.find(narrow(found[0].devicePath) + ": no answer\n"), std::string::npos)
        << logged;
    EXPECT_NE(logged.find(narrow(printer.path()) + ": ids=7B1E:0A1B model=K206\n"),
              std::string::npos)
        << logged;
    for (KIVDevice* device : list)
        delete device;
}

TEST(KIVComm, MalformedCommandIsNeverSent) {
    LoopbackServer server(
        [](SOCKET c, const Bytes&) { LoopbackServer::sendBytes(c, StatusReply); });
    KIVDevice device = networkDevice(server.port());
    KIVComm comm(nullptr);
    unsigned char* reply = nullptr;
    uint32_t length = 99;
    EXPECT_EQ(comm.sendPacket(&device, L"A5000750E0810002001", &reply, &length),
              KIVComm::BadCommand);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(comm.sendRaw(&device, L"1B 2A", &reply, &length, 1), KIVComm::BadCommand);
    EXPECT_EQ(comm.sendPacket(nullptr, L"A5", &reply, &length), KIVComm::BadArgument);
    EXPECT_EQ(comm.sendPacket(&device, L"A5", nullptr, &length), KIVComm::BadArgument);
    pause(200);
    EXPECT_EQ(server.connections(), 0);
    // The reply pointer is usable even with no reply.
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply[0], 0);
}

TEST(KIVComm, ReplyBufferLivesUntilTheSameThreadsNextCall) {
    const Bytes version = {'V', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    LoopbackServer server([&](SOCKET c, const Bytes& command) {
        LoopbackServer::sendBytes(c, command == ScanQuery ? version : StatusReply);
    });
    KIVDevice device = networkDevice(server.port());
    KIVComm comm(nullptr);
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(comm.sendRaw(&device, L"1B2A730108", &reply, &length, 1), Transport::Ok);
    ASSERT_EQ(length, version.size());
    // No zero byte in the printer's text: one follows it in our buffer anyway.
    EXPECT_EQ(reply[length], 0);

    // Another thread's call leaves this thread's reply as it was.
    std::thread other([&] {
        unsigned char* otherReply = nullptr;
        uint32_t otherLength = 0;
        comm.sendPacket(&device, L"A5000750E08100020011", &otherReply, &otherLength);
        EXPECT_EQ(Bytes(otherReply, otherReply + otherLength), StatusReply);
    });
    other.join();
    EXPECT_EQ(Bytes(reply, reply + length), version);

    ASSERT_EQ(comm.sendPacket(&device, L"a5000750e08100020011", &reply, &length), Transport::Ok);
    EXPECT_EQ(Bytes(reply, reply + length), StatusReply);
    EXPECT_EQ(server.lastReceived(), StatusQuery);
}

TEST(KIVComm, ReplyBuffersGoWithTheirThreads) {
    LoopbackServer server(
        [](SOCKET c, const Bytes&) { LoopbackServer::sendBytes(c, StatusReply); });
    KIVDevice device = networkDevice(server.port());
    KIVComm comm(nullptr);
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(comm.sendPacket(&device, L"A5000750E08100020011", &reply, &length), Transport::Ok);
    // Worker threads come and go, as the wizard's do for every printer.
    const int workers = 40;
    for (int i = 0; i < workers; ++i) {
        std::thread worker([&] {
            unsigned char* r = nullptr;
            uint32_t n = 0;
            comm.sendPacket(&device, L"A5000750E08100020011", &r, &n);
        });
        worker.join();
    }
    EXPECT_LT(comm.replyBufferCount(), size_t(workers / 2)) << "ended threads' buffers go";
    EXPECT_EQ(Bytes(reply, reply + length), StatusReply);
}

TEST(KIVComm, DeviceListsAndReservedOperations) {
    KIVComm comm(nullptr);
    KIVDeviceArray* list = nullptr;
    comm.createDeviceList(&list);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->empty());
    list->push_back(new KIVDevice());
    list->push_back(new KIVDevice());
    comm.freeDeviceList(&list);
    EXPECT_EQ(list, nullptr);
    comm.freeDeviceList(&list); // a second free finds nothing to free
    comm.freeDeviceList(nullptr);
    comm.createDeviceList(nullptr);
    EXPECT_EQ(comm.extension1(5), 0);
    EXPECT_EQ(comm.extension2(0xFFFFFFFFu), 0);
    EXPECT_FALSE(comm.isDeviceReady(nullptr));
    EXPECT_EQ(comm.sendFile(nullptr, L"x"), KIVComm::BadArgument);
    EXPECT_EQ(comm.enumerateDevices(nullptr, nullptr), KIVComm::BadArgument);
}

TEST(KIVComm, RecordChoosesTheTransport) {
    KIVDevice usb;
    usb.setType(KIVDevice::TypeUsb);
    usb.setUsbDevicePath(L"\\\\?\\usb#vid_7b1e&pid_31c7#1#{x}");
    EXPECT_EQ(KIVComm::transportFor(usb)->describe(), L"\\\\?\\usb#vid_7b1e&pid_31c7#1#{x}");
    KIVDevice entered;
    entered.setType(KIVDevice::TypeIpAddress);
    entered.setIPAddress(L"127.0.0.3");
    EXPECT_EQ(KIVComm::transportFor(entered)->describe(), L"127.0.0.3:9100");
    KIVDevice spooled = networkDevice(9101);
    EXPECT_EQ(KIVComm::transportFor(spooled)->describe(), L"127.0.0.1:9101");
    spooled.setTcpPort(70000);
    EXPECT_EQ(KIVComm::transportFor(spooled)->describe(), L"127.0.0.1:9100");
}
