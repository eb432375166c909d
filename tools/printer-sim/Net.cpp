#include "Net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kSliceMs = 100;
}

void Fd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

namespace Net {

long recvFor(int fd, void* buf, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
    for (int waited = 0; !stop.load();) {
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, kSliceMs);
        if (r < 0 && errno != EINTR)
            return kFailed;
        if (r > 0) {
            ssize_t n = ::recv(fd, buf, size, 0);
            if (n >= 0)
                return long(n);
            if (errno != EINTR && errno != EAGAIN)
                return kFailed;
            continue;
        }
        waited += kSliceMs;
        if (waited >= timeoutMs)
            return kTimedOut;
    }
    return kTimedOut;
}

bool sendAll(int fd, const void* data, size_t size, const std::atomic<bool>& stop) {
    const char* p = static_cast<const char*>(data);
    while (size > 0 && !stop.load()) {
        ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return size == 0;
}

Fd listenOn(const std::string& addr, uint16_t port, std::string& error) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, addr.c_str(), &sa.sin_addr) != 1) {
        error = "bad address " + addr;
        return Fd();
    }
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int one = 1;
    // A printer coming back from its reset must bind again at once, although
    // connections of its previous life may still be in TIME_WAIT.
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (!fd || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(fd.get(), 64) != 0) {
        error = addr + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return Fd();
    }
    return fd;
}

void closeGracefully(Fd& fd, const std::atomic<bool>& stop) {
    if (!fd)
        return;
    ::shutdown(fd.get(), SHUT_WR);
    char sink[4096];
    for (int rounds = 0; rounds < 10; ++rounds)
        if (recvFor(fd.get(), sink, sizeof sink, 100, stop) <= 0)
            break;
    fd.reset();
}

void closeAbortively(Fd& fd) {
    if (!fd)
        return;
    linger l{1, 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    fd.reset();
}

bool splitAddress(const std::string& text, std::string& addr, uint16_t& port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    addr = text.substr(0, colon);
    char* end = nullptr;
    long p = std::strtol(text.c_str() + colon + 1, &end, 10);
    in_addr a{};
    if (*end != 0 || p < 1 || p > 65535 || inet_pton(AF_INET, addr.c_str(), &a) != 1)
        return false;
    port = uint16_t(p);
    return true;
}

} // namespace Net
