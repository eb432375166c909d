#include "TcpTransport.h"

#include "CommTimeouts.h"
#include "DeviceAddress.h"
#include "FileStream.h"
#include "IpAddressCheck.h"
#include "ScopedHandle.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {
const uint32_t FileSendBufferBytes = 256 * 1024;
// Every send is a call through the system's socket layer (under Wine a round
// trip to its server, which the transfers of a whole fleet share): a file
// goes out in pieces as large as the send buffer.
const size_t SendPieceBytes = FileSendBufferBytes;

struct SocketTraits {
    using handle_type = SOCKET;
    static handle_type invalid() { return INVALID_SOCKET; }
    static bool close(handle_type s) { return ::closesocket(s) == 0; }
};
using ScopedSocket = ScopedHandle<SocketTraits>;

// Winsock stays up for the life of the process: cleaning it up from a DLL's
// unload would run under the loader lock.
bool winsockReady() {
    static const bool ready = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

timeval toTimeval(uint32_t ms) {
    timeval tv;
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    return tv;
}

bool waitReadable(SOCKET s, uint32_t ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv = toTimeval(ms);
    return ::select(0, &readable, nullptr, nullptr, &tv) == 1;
}

bool waitWritable(SOCKET s, uint32_t ms) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_SET(s, &writable);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval tv = toTimeval(ms);
    int n = ::select(0, nullptr, &writable, &failed, &tv);
    return n > 0 && FD_ISSET(s, &writable) && !FD_ISSET(s, &failed);
}

ScopedSocket connectTo(const std::wstring& address, uint16_t port) {
    uint32_t host = 0;
    if (!winsockReady() || !parseIpAddress(address, host) || port == 0)
        return ScopedSocket();
    ScopedSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s)
        return ScopedSocket();
    // Non-blocking, so that the connect and every read and write are waited
    // for with select and a time-out instead of the system's own minutes.
    u_long nonBlocking = 1;
    if (::ioctlsocket(s.get(), FIONBIO, &nonBlocking) != 0)
        return ScopedSocket();
    BOOL noDelay = TRUE;
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                 sizeof noDelay);
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(host);
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0)
        return s;
    if (::WSAGetLastError() != WSAEWOULDBLOCK || !waitWritable(s.get(), CommTimeouts::ConnectMs))
        return ScopedSocket();
    int error = 0;
    int size = sizeof error;
    if (::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 ||
        error != 0)
        return ScopedSocket();
    return s;
}

// Each wait for room is at most stallMs, and all of them together end at
// totalMs after start (a tick count).
bool sendAll(SOCKET s, const uint8_t* data, size_t size, uint32_t stallMs, DWORD start,
             uint32_t totalMs) {
    while (size > 0) {
        int chunk =
            size > SendPieceBytes ? static_cast<int>(SendPieceBytes) : static_cast<int>(size);
        int sent = ::send(s, reinterpret_cast<const char*>(data), chunk, 0);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
        } else if (sent < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            const uint32_t waitMs =
                CommTimeouts::fileWaitMs(stallMs, totalMs, ::GetTickCount() - start);
            if (waitMs == 0 || !waitWritable(s, waitMs))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

class SocketChannel : public ByteChannel {
public:
    explicit SocketChannel(SOCKET s) : s_(s) {}
    ReadResult readSome(uint8_t* buffer, size_t capacity, uint32_t timeoutMs,
                        size_t& received) override {
        received = 0;
        if (!waitReadable(s_, timeoutMs))
            return TimedOut;
        int n = ::recv(s_, reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0);
        if (n <= 0)
            return Closed;
        received = static_cast<size_t>(n);
        return Data;
    }

private:
    SOCKET s_;
};

// Waits for the printer to close its side: then it has read the whole file.
void drainUntilClosed(SOCKET s) {
    SocketChannel channel(s);
    DWORD start = ::GetTickCount();
    uint8_t buffer[512];
    for (;;) {
        DWORD spent = ::GetTickCount() - start;
        if (spent >= CommTimeouts::FileDrainMs)
            return;
        size_t received = 0;
        if (channel.readSome(buffer, sizeof buffer, CommTimeouts::FileDrainMs - spent, received) !=
            ByteChannel::Data)
            return;
    }
}
} // namespace

TcpTransport::TcpTransport(const std::wstring& address, uint16_t port)
    : address_(address), port_(port) {}

bool TcpTransport::isReady() {
    ScopedSocket s = connectTo(address_, port_);
    if (!s)
        return false;
    // Nothing was said on this link: it is reset rather than closed, so that
    // it leaves no TIME_WAIT behind. A fleet's restart waits ask every printer
    // twice a second, and links closed the usual way would each hold one of
    // the machine's outgoing ports for minutes, until connections (ours and
    // every other program's) fail for want of one.
    linger abort = {1, 0};
    ::setsockopt(s.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                 sizeof abort);
    return true;
}

Transport::Result TcpTransport::exchange(const std::vector<uint8_t>& command,
                                         std::vector<uint8_t>& reply, RawStart rawStart) {
    reply.clear();
    ScopedSocket s = connectTo(address_, port_);
    if (!s)
        return Unreachable;
    if (!sendAll(s.get(), command.data(), command.size(), CommTimeouts::SendStallMs,
                 ::GetTickCount(), CommTimeouts::SendStallMs))
        return SendFailed;
    SocketChannel channel(s.get());
    reply = collectReply(channel, ReplyReader::modeForCommand(command), rawStart);
    return reply.empty() ? NoReply : Ok;
}

Transport::Result TcpTransport::sendFile(const std::wstring& path, uint32_t stallMs,
                                         uint32_t totalMs) {
    const DWORD start = ::GetTickCount();
    FileStream file(path, SendPieceBytes);
    if (!file.isOpen())
        return FileError;
    ScopedSocket s = connectTo(address_, port_);
    if (!s)
        return Unreachable;
    // A send buffer of a known size: the stall limit then measures the
    // printer rather than how much the system would queue (megabytes, where
    // it tunes the buffer itself), and a send that ends well leaves little
    // more than this still on its way.
    int sendBuffer = static_cast<int>(FileSendBufferBytes);
    ::setsockopt(s.get(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer),
                 sizeof sendBuffer);
    const Result sent = file.sendTo([&](const uint8_t* data, size_t size) {
        return sendAll(s.get(), data, size, stallMs, start, totalMs);
    });
    if (sent != Ok)
        return sent;
    ::shutdown(s.get(), SD_SEND);
    drainUntilClosed(s.get());
    return Ok;
}

std::wstring TcpTransport::describe() const {
    return address_ + L":" + std::to_wstring(port_);
}
