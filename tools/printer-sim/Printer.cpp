#include "Printer.h"

#include "Crc32.h"
#include "FlsHeader.h"

#include <cstdio>
#include <cstring>
#include <poll.h>
#include <system_error>
#include <sys/socket.h>

namespace {

constexpr int kFirstByteMs = 10000;  // a client that connects and says nothing
constexpr int kCommandByteMs = 2000; // between the bytes of one command
constexpr int kFileIdleMs = 10000;   // a stalled file transfer
constexpr int kAfterFileMs = 2000;   // the sender should close once the file is sent
constexpr int kKeptOpenMs = 8000;    // how long a keep-open printer holds a finished link
constexpr size_t kMaxWorkers = 32;
constexpr size_t kFileChunk = 1 << 20;
// A pausing printer takes little into its receive buffer, so that its pause
// reaches the sender as a stall instead of vanishing into kernel buffers.
constexpr int kPausingReceiveBuffer = 64 * 1024;

bool isMagicPrefix(const Bytes& buf) {
    size_t n = std::min(buf.size(), size_t(8));
    return std::memcmp(buf.data(), FlsHeader::kMagic, n) == 0;
}

bool startsWith(const Bytes& whole, const Bytes& part) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

// Blanks and percent signs are escaped so that every STATE field stays one token.
std::string escape(const std::string& s) {
    std::string r;
    for (char c : s)
        r += c == ' ' ? "%20" : c == '%' ? "%25" : std::string(1, c);
    return r;
}

} // namespace

Printer::Printer(const PrinterConfig& cfg, const std::atomic<bool>& stop,
                 std::function<void()> changed)
    : original_(cfg), stop_(stop), changed_(std::move(changed)), cfg_(cfg),
      rng_(uint32_t(std::hash<std::string>()(cfg.section))) {}

Printer::~Printer() {
    join();
}

bool Printer::start(std::string& error) {
    listen_ = Net::listenOn(cfg_.address, cfg_.port, error);
    if (!listen_)
        return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void Printer::join() {
    if (thread_.joinable())
        thread_.join();
}

std::string Printer::endpoint() const {
    return original_.address + ":" + std::to_string(original_.port);
}

std::string Printer::stateLine() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return original_.section + " " + endpoint() + " aio=" + escape(cfg_.aioVersion) +
           " panel=" + escape(cfg_.panelVersion) + " scan=" + escape(cfg_.scanVersion) +
           " received=" + std::to_string(received_) + " accepted=" + std::to_string(accepted_) +
           " resets=" + std::to_string(resets_) + " fault=" + toString(cfg_.fault) +
           " away=" + (away_ ? "1" : "0") + " last=" + last_ +
           " queries=" + std::to_string(queries_) + " commands=" + std::to_string(commands_) +
           " discarded=" + std::to_string(discarded_);
}

bool Printer::set(const std::string& key, const std::string& value, std::string& error) {
    bool ok;
    bool switchedOn = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ok = setKey(cfg_, key, value, false, error);
        // Nothing else can touch a closed listener: opening it here is safe.
        switchedOn = ok && !cfg_.offline && !away_ && !listenerShut_ && !listen_;
    }
    // A printer switched on listens before the answer goes back, so that a
    // search started right after the answer finds it, however busy the
    // machine is.
    if (switchedOn)
        syncListener();
    if (ok)
        changed_();
    return ok;
}

void Printer::restore() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cfg_ = original_;
        received_ = accepted_ = resets_ = 0;
        queries_ = commands_ = discarded_ = 0;
        last_ = "-";
        away_ = false; // the listener opens again on its next round
        setupFirst_ = setupSecond_ = false;
        scanQueriesAfterSetup_ = 0;
    }
    changed_();
}

void Printer::run() {
    while (!stop_.load()) {
        int fd = -1;
        if (syncListener()) {
            std::lock_guard<std::mutex> lock(mutex_);
            fd = listen_.get();
        }
        if (fd >= 0) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0)
                acceptOne();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        reapWorkers(false);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listen_.reset();
    }
    reapWorkers(true);
}

// Opens or closes the listening socket to match the reset window; true while the
// printer should be reachable and its socket is open.
bool Printer::syncListener() {
    bool cameBack = false;
    std::unique_lock<std::mutex> lock(mutex_);
    if (away_ && Clock::now() >= backAt_) {
        away_ = false;
        cameBack = true;
        if (!pendingAio_.empty())
            cfg_.aioVersion = pendingAio_;
        if (!pendingPanel_.empty())
            cfg_.panelVersion = pendingPanel_;
        if (!pendingScan_.empty())
            cfg_.scanVersion = pendingScan_;
        pendingAio_.clear();
        pendingPanel_.clear();
        pendingScan_.clear();
    }
    // A socket shut down by a reset is dead even when the reset window is already
    // over (zero seconds, or RESTORE): only a new one listens again.
    if (away_ || listenerShut_ || cfg_.offline) {
        listen_.reset();
        listenerShut_ = false;
    }
    if (!away_ && !cfg_.offline && !listen_) {
        std::string error;
        listen_ = Net::listenOn(cfg_.address, cfg_.port, error);
        if (!listen_)
            std::fprintf(stderr, "printer-sim: %s: cannot listen again: %s\n",
                         original_.section.c_str(), error.c_str());
    }
    bool open = bool(listen_);
    lock.unlock();
    if (cameBack)
        changed_();
    return open;
}

void Printer::acceptOne() {
    int lfd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lfd = listen_.get();
    }
    Fd conn(::accept4(lfd, nullptr, nullptr, SOCK_CLOEXEC));
    if (!conn)
        return;
    // A crowd of clients is served in turn: the newest waits briefly for a free
    // worker and is refused only when none frees up.
    for (int i = 0; i < 100 && workers_.size() >= kMaxWorkers; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        reapWorkers(false);
    }
    if (workers_.size() >= kMaxWorkers) {
        Net::closeAbortively(conn);
        return;
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    int raw = conn.get();
    try {
        workers_.push_back({std::thread([this, raw, done] {
                                serve(Fd(raw));
                                done->store(true);
                            }),
                            done});
    } catch (const std::system_error&) {
        // Out of threads: this client is turned away, the printer goes on.
        return Net::closeAbortively(conn);
    }
    conn.release();
}

void Printer::reapWorkers(bool all) {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (all || it->done->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

bool Printer::readAtLeast(Fd& conn, Bytes& buf, size_t size, int timeoutMs) {
    uint8_t chunk[4096];
    while (buf.size() < size) {
        long n = Net::recvFor(conn.get(), chunk, sizeof chunk, timeoutMs, stop_);
        if (n <= 0)
            return false;
        buf.insert(buf.end(), chunk, chunk + n);
    }
    return true;
}

void Printer::serve(Fd conn) {
    Fault fault;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fault = cfg_.fault;
    }
    if (fault == Fault::Silent)
        return holdSilently(conn);
    if (fault == Fault::PauseFile) {
        int size = kPausingReceiveBuffer;
        ::setsockopt(conn.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    Bytes buf;
    if (!readAtLeast(conn, buf, 1, kFirstByteMs))
        return; // a readiness probe, or nothing at all
    if (buf[0] == 0xA5) {
        if (!readAtLeast(conn, buf, 3, kCommandByteMs) ||
            !readAtLeast(conn, buf, 3 + size_t(buf[1] << 8 | buf[2]), kCommandByteMs))
            return Net::closeGracefully(conn, stop_);
        buf.resize(3 + size_t(buf[1] << 8 | buf[2]));
        return answer(conn, buf);
    }
    // Raw input has no framing: it is a known command, the start of a firmware file,
    // or something this printer does not understand.
    while (true) {
        if (isMagicPrefix(buf) && buf.size() >= 8)
            return receiveFile(conn, std::move(buf));
        if (PrinterReplies::classify(buf) == Command::FlashScan)
            return answer(conn, buf);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (cfg_.cmds.count(buf))
                break;
        }
        if (!isMagicPrefix(buf) && !isRawCommandPrefix(buf))
            break;
        if (!readAtLeast(conn, buf, buf.size() + 1, kCommandByteMs))
            break;
    }
    if (PrinterReplies::classify(buf) == Command::Other && !isRawCommandPrefix(buf))
        return discard(conn);
    answer(conn, buf);
}

// Input this printer does not understand is read to its end without keeping it, so
// a sender of some other file sees a clean close rather than a reset.
void Printer::discard(Fd& conn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++discarded_;
    }
    changed_();
    uint8_t sink[65536];
    while (Net::recvFor(conn.get(), sink, sizeof sink, kCommandByteMs, stop_) > 0) {
    }
    finishConnection(conn);
}

// Accepts the connection and reads whatever comes, but never says a word; the
// client has to give up by itself.
void Printer::holdSilently(Fd& conn) {
    uint8_t sink[4096];
    while (!stop_.load()) {
        long n = Net::recvFor(conn.get(), sink, sizeof sink, 60000, stop_);
        if (n == Net::kClosed || n == Net::kFailed)
            break;
    }
    conn.reset();
}

bool Printer::isRawCommandPrefix(const Bytes& buf) const {
    static const Bytes flashScanQuery = {0x1B, 0x2A, 0x73, 0x01, 0x08};
    if (startsWith(flashScanQuery, buf))
        return true;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& c : cfg_.cmds)
        if (startsWith(c.first, buf))
            return true;
    return false;
}

void Printer::answer(Fd& conn, const Bytes& command) {
    const Command kind = PrinterReplies::classify(command);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++(kind == Command::Other ? commands_ : queries_);
    }
    changed_();
    Bytes reply = replyTo(command, kind);
    double late;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        late = cfg_.replySeconds;
    }
    if (!reply.empty() && late > 0) {
        // Waits in small steps so that a stopping simulator does not hang here.
        auto at = Clock::now() +
                  std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(late));
        while (!stop_.load() && Clock::now() < at)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!reply.empty())
        Net::sendAll(conn.get(), reply.data(), reply.size(), stop_);
    finishConnection(conn);
}

void Printer::finishConnection(Fd& conn) {
    bool keepOpen;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        keepOpen = cfg_.keepOpen;
    }
    if (!keepOpen)
        return Net::closeGracefully(conn, stop_);
    // The sender's own close cannot be told from its end of sending, so the
    // link is simply held for a while, whatever the sender does meanwhile.
    uint8_t sink[4096];
    auto until = Clock::now() + std::chrono::milliseconds(kKeptOpenMs);
    while (!stop_.load() && Clock::now() < until) {
        long n = Net::recvFor(conn.get(), sink, sizeof sink, 100, stop_);
        if (n == Net::kClosed || n == Net::kFailed)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    conn.reset();
}

Bytes Printer::replyTo(const Bytes& command, Command kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    Bytes reply;
    switch (kind) {
    case Command::Version:
        reply = PrinterReplies::version(cfg_.aioVersion, cfg_.panelVersion);
        break;
    case Command::Status:
        if (cfg_.fault != Fault::Busy)
            reply = PrinterReplies::status();
        break;
    case Command::Identifier:
        reply = PrinterReplies::identifier(cfg_.vid, cfg_.pid);
        break;
    case Command::SetupFirst:
    case Command::SetupSecond:
        (kind == Command::SetupFirst ? setupFirst_ : setupSecond_) = true;
        reply = PrinterReplies::setup();
        break;
    case Command::FlashScan:
        reply = flashScanReply();
        break;
    case Command::Other: {
        auto it = cfg_.cmds.find(command);
        if (it != cfg_.cmds.end())
            reply = it->second;
        break;
    }
    }
    if (reply.empty())
        return reply;
    if (cfg_.fault == Fault::Garbage)
        return PrinterReplies::garble(reply, rng_);
    if (cfg_.fault == Fault::CutFrame)
        return PrinterReplies::cutFrame(reply);
    if (cfg_.fault == Fault::Truncated)
        return PrinterReplies::cut(reply, PrinterReplies::truncatedSize(kind, reply.size()));
    return reply;
}

// Called with the mutex held. A slow flash-scan part only answers once it was set up
// for the read, and then only from the third query on.
Bytes Printer::flashScanReply() {
    if (cfg_.fault == Fault::SlowScan) {
        if (!setupFirst_ || !setupSecond_)
            return {};
        if (++scanQueriesAfterSetup_ < 3)
            return {};
    }
    return PrinterReplies::flashScan(cfg_.scanVersion);
}

void Printer::receiveFile(Fd& conn, Bytes buf) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++received_;
    }
    FlsHeader header;
    if (!readHeader(conn, buf, header)) {
        record("bad-header");
        return Net::closeGracefully(conn, stop_);
    }
    Fault fault;
    double pauseSeconds;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fault = cfg_.fault;
        pauseSeconds = cfg_.pauseSeconds;
    }
    uint64_t dropAt = fault == Fault::DropFile ? header.payloadLength / 2 : UINT64_MAX;
    uint64_t pauseAt = fault == Fault::PauseFile ? header.payloadLength / 2 : UINT64_MAX;
    Crc32 crc;
    uint64_t got = buf.size() - FlsHeader::kSize;
    crc.update(buf.data() + FlsHeader::kSize, size_t(got));
    std::vector<uint8_t> chunk(kFileChunk);
    while (got < dropAt) {
        if (got >= pauseAt) {
            pauseReading(pauseSeconds);
            pauseAt = UINT64_MAX;
        }
        size_t want = size_t(std::min<uint64_t>(chunk.size(), std::min(dropAt, pauseAt) - got));
        int idle = got >= header.payloadLength ? kAfterFileMs : kFileIdleMs;
        long n = Net::recvFor(conn.get(), chunk.data(), want, idle, stop_);
        if (n <= 0)
            break;
        crc.update(chunk.data(), size_t(n));
        got += uint64_t(n);
    }
    // Recorded before the close, so whoever sees the connection end sees the state.
    if (got >= dropAt) {
        record("dropped");
        return Net::closeAbortively(conn);
    }
    finishFile(header, got, crc.value());
    finishConnection(conn);
}

// The printer is busy (erasing flash, say) and reads nothing meanwhile; the
// bytes the sender still has wait in its buffers.
void Printer::pauseReading(double seconds) {
    auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(seconds));
    while (!stop_.load() && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool Printer::readHeader(Fd& conn, Bytes& buf, FlsHeader& header) {
    if (!readAtLeast(conn, buf, FlsHeader::kSize, kFileIdleMs))
        return false;
    return FlsHeader::parse(buf.data(), buf.size(), header) == FlsStatus::Ok;
}

void Printer::finishFile(const FlsHeader& header, uint64_t length, uint32_t crc) {
    std::string model;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        model = cfg_.model;
    }
    FlsVerdict verdict = header.judge(model, length, crc);
    std::string last = toString(verdict);
    for (char& c : last)
        if (c == ' ')
            c = '-';
    if (verdict == FlsVerdict::Accepted)
        takeFile(header);
    record(last);
}

// A printer that accepted a file reboots into it: the listening socket goes away
// before the sender's connection is closed, so the sender already finds it gone.
void Printer::takeFile(const FlsHeader& header) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++accepted_;
    if (cfg_.fault == Fault::NoReset)
        return;
    ++resets_;
    away_ = true;
    backAt_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(cfg_.resetSeconds));
    if (cfg_.fault != Fault::KeepVersion) {
        pendingAio_ = header.aioVersion;
        pendingPanel_ = header.panelVersion;
        pendingScan_ = header.scanVersion;
    }
    setupFirst_ = setupSecond_ = false;
    scanQueriesAfterSetup_ = 0;
    // Shutting the listener down (not closing it: the listener thread may be polling
    // it) refuses new connections from this moment on.
    if (listen_) {
        ::shutdown(listen_.get(), SHUT_RDWR);
        listenerShut_ = true;
    }
}

void Printer::record(const std::string& last) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = last;
    }
    changed_();
}
