#include "LoopbackServer.h"

#include <ws2tcpip.h>

namespace {
bool readable(SOCKET s, long ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) == 1;
}

SOCKET listenOnLoopback(uint16_t& port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 8);
    int size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return s;
}
} // namespace

LoopbackServer::LoopbackServer(Handler handler, bool readToEnd)
    : handler_(handler), readToEnd_(readToEnd), listener_(INVALID_SOCKET), port_(0), stop_(false),
      connections_(0) {
    listener_ = listenOnLoopback(port_);
    thread_ = std::thread(&LoopbackServer::run, this);
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
}

LoopbackServer::Bytes LoopbackServer::lastReceived() {
    std::lock_guard<std::mutex> guard(lock_);
    return last_;
}

bool LoopbackServer::sendBytes(SOCKET client, const Bytes& bytes) {
    return bytes.empty() || send(client, reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<int>(bytes.size()), 0) > 0;
}

void LoopbackServer::holdUntilClosed(SOCKET client, int maxMs) {
    DWORD start = GetTickCount();
    char sink[256];
    while (static_cast<int>(GetTickCount() - start) < maxMs) {
        if (readable(client, 20) && recv(client, sink, sizeof sink, 0) <= 0)
            return;
    }
}

uint16_t LoopbackServer::closedPort() {
    uint16_t port = 0;
    SOCKET s = listenOnLoopback(port);
    closesocket(s);
    return port;
}

// Commands are small and come in one write; a short quiet spell ends them.
LoopbackServer::Bytes LoopbackServer::readCommand(SOCKET client) {
    Bytes received;
    char buffer[65536];
    long wait = 1000;
    while (readable(client, readToEnd_ ? 5000 : wait)) {
        int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        received.insert(received.end(), buffer, buffer + n);
        wait = 100;
    }
    return received;
}

void LoopbackServer::run() {
    while (!stop_) {
        if (!readable(listener_, 20))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        ++connections_;
        Bytes received = readCommand(client);
        {
            std::lock_guard<std::mutex> guard(lock_);
            last_ = received;
        }
        handler_(client, received);
        closesocket(client);
    }
}
