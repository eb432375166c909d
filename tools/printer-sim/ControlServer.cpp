#include "ControlServer.h"

#include <poll.h>
#include <sys/socket.h>

namespace {
constexpr size_t kMaxLine = 4096;
constexpr int kLineMs = 2000;
} // namespace

bool ControlServer::start(const std::string& addr, uint16_t port, std::string& error) {
    listen_ = Net::listenOn(addr, port, error);
    if (!listen_)
        return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void ControlServer::join() {
    if (thread_.joinable())
        thread_.join();
}

// Commands are short and rare, so they are served one after the other on this thread.
void ControlServer::run() {
    while (!stop_.load()) {
        pollfd p{listen_.get(), POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        Fd conn(::accept4(listen_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (conn)
            serve(std::move(conn));
    }
    listen_.reset();
}

void ControlServer::serve(Fd conn) {
    std::string line;
    char chunk[512];
    while (line.find('\n') == std::string::npos && line.size() < kMaxLine) {
        long n = Net::recvFor(conn.get(), chunk, sizeof chunk, kLineMs, stop_);
        if (n <= 0)
            break;
        line.append(chunk, size_t(n));
    }
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::string reply;
    if (line.size() >= kMaxLine) {
        reply = "ERR line too long\n";
    } else {
        std::string error;
        std::string text = handler_(line, error);
        reply = error.empty() ? text + "OK\n" : "ERR " + error + "\n";
    }
    Net::sendAll(conn.get(), reply.data(), reply.size(), stop_);
    Net::closeGracefully(conn, stop_);
}
