// Thin POSIX socket helpers for the simulator: every wait is bounded and wakes
// up regularly to notice a stop request.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& o) noexcept : fd_(o.release()) {}
    Fd& operator=(Fd&& o) noexcept {
        reset(o.release());
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

namespace Net {

// Result of recvFor: bytes read (> 0), or one of these.
constexpr long kClosed = 0;
constexpr long kTimedOut = -1;
constexpr long kFailed = -2;

// Waits up to timeoutMs for data; gives up early when stop becomes true.
long recvFor(int fd, void* buf, size_t size, int timeoutMs, const std::atomic<bool>& stop);
bool sendAll(int fd, const void* data, size_t size, const std::atomic<bool>& stop);
// Listening socket on addr:port, or an empty Fd and the reason.
Fd listenOn(const std::string& addr, uint16_t port, std::string& error);
// Sends what is queued, lets the peer see the end, and waits briefly for it to
// close too, so that unread input never turns our close into a reset.
void closeGracefully(Fd& fd, const std::atomic<bool>& stop);
// Closes with a reset, as a printer losing the link would.
void closeAbortively(Fd& fd);
// Splits "a.b.c.d:port".
bool splitAddress(const std::string& text, std::string& addr, uint16_t& port);

} // namespace Net
