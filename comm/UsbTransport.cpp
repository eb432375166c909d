#include "UsbTransport.h"

#include "CommTimeouts.h"
#include "FileStream.h"
#include "ScopedHandle.h"

namespace {
ScopedFileHandle openDevice(const std::wstring& path) {
    return ScopedFileHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
}

// Overlapped I/O is the only way to put a bound on a read or write of a
// device handle: a plain ReadFile on a silent printer never returns. The
// device is opened for the one operation and closed with it.
class OverlappedIo {
public:
    explicit OverlappedIo(const std::wstring& devicePath)
        : device_(openDevice(devicePath)), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    bool usable() const { return device_.valid() && event_.valid(); }

    // Returns true with the byte count when the operation ended in time, or
    // ended on its own while it was being cancelled; otherwise cancels it and
    // waits for the cancellation, so that the buffer is no longer in use when
    // the caller returns.
    bool run(bool write, void* buffer, DWORD size, uint32_t timeoutMs, DWORD& done) {
        done = 0;
        OVERLAPPED ov = {};
        ov.hEvent = event_.get();
        ::ResetEvent(event_.get());
        BOOL started = write ? ::WriteFile(device_.get(), buffer, size, nullptr, &ov)
                             : ::ReadFile(device_.get(), buffer, size, nullptr, &ov);
        if (!started && ::GetLastError() != ERROR_IO_PENDING)
            return false;
        if (::WaitForSingleObject(event_.get(), timeoutMs) != WAIT_OBJECT_0) {
            ::CancelIo(device_.get());
            // It may have ended before the cancellation took: then its bytes
            // went out, or came in, and count.
            return ::GetOverlappedResult(device_.get(), &ov, &done, TRUE) != FALSE;
        }
        return ::GetOverlappedResult(device_.get(), &ov, &done, FALSE) != FALSE;
    }

private:
    ScopedFileHandle device_;
    ScopedKernelHandle event_;
};

class DeviceChannel : public ByteChannel {
public:
    explicit DeviceChannel(OverlappedIo& io) : io_(io) {}
    // A printer that has nothing to send yet may answer a read at once with
    // zero bytes; that is not the end of its reply, so the read is asked
    // again until data comes or the time is up. A raw reply therefore ends by
    // its idle time, and a failed read (a printer unplugged) ends any reply.
    ReadResult readSome(uint8_t* buffer, size_t capacity, uint32_t timeoutMs,
                        size_t& received) override {
        received = 0;
        const DWORD start = ::GetTickCount();
        for (;;) {
            DWORD spent = ::GetTickCount() - start;
            if (spent >= timeoutMs)
                return TimedOut;
            DWORD done = 0;
            if (!io_.run(false, buffer, static_cast<DWORD>(capacity), timeoutMs - spent, done))
                return TimedOut;
            if (done > 0) {
                received = done;
                return Data;
            }
            ::Sleep(EmptyReadPauseMs);
        }
    }

private:
    static const DWORD EmptyReadPauseMs = 20;
    OverlappedIo& io_;
};

// Each write waits at most stallMs, and all of them together end at totalMs
// after start (a tick count).
bool writeAll(OverlappedIo& io, const uint8_t* data, size_t size, uint32_t stallMs, DWORD start,
              uint32_t totalMs) {
    while (size > 0) {
        DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        DWORD done = 0;
        const uint32_t waitMs =
            CommTimeouts::fileWaitMs(stallMs, totalMs, ::GetTickCount() - start);
        if (waitMs == 0 || !io.run(true, const_cast<uint8_t*>(data), chunk, waitMs, done) ||
            done == 0)
            return false;
        data += done;
        size -= done;
    }
    return true;
}
} // namespace

UsbTransport::UsbTransport(const std::wstring& devicePath) : path_(devicePath) {}

bool UsbTransport::isReady() {
    return !path_.empty() && openDevice(path_).valid();
}

Transport::Result UsbTransport::exchange(const std::vector<uint8_t>& command,
                                         std::vector<uint8_t>& reply, RawStart rawStart) {
    reply.clear();
    OverlappedIo io(path_);
    if (!io.usable())
        return Unreachable;
    if (!writeAll(io, command.data(), command.size(), CommTimeouts::SendStallMs, ::GetTickCount(),
                  CommTimeouts::SendStallMs))
        return SendFailed;
    DeviceChannel channel(io);
    reply = collectReply(channel, ReplyReader::modeForCommand(command), rawStart);
    return reply.empty() ? NoReply : Ok;
}

Transport::Result UsbTransport::sendFile(const std::wstring& path, uint32_t stallMs,
                                         uint32_t totalMs) {
    const DWORD start = ::GetTickCount();
    FileStream file(path);
    if (!file.isOpen())
        return FileError;
    OverlappedIo io(path_);
    if (!io.usable())
        return Unreachable;
    return file.sendTo([&](const uint8_t* data, size_t size) {
        return writeAll(io, data, size, stallMs, start, totalMs);
    });
}
