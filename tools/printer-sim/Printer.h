// One simulated printer: a listener on its address, a thread per connection, and
// the state a flash changes (versions, counters, the reset window).
#pragma once

#include "Net.h"
#include "PrinterReplies.h"
#include "SimConfig.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

struct FlsHeader;

class Printer {
public:
    Printer(const PrinterConfig& cfg, const std::atomic<bool>& stop, std::function<void()> changed);
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Binds at once so that a taken address is reported before "ready".
    bool start(std::string& error);
    // Returns once the stop flag is set and every connection has ended.
    void join();

    const std::string& section() const { return original_.section; }
    std::string endpoint() const;
    std::string stateLine() const;
    bool set(const std::string& key, const std::string& value, std::string& error);
    void restore();

private:
    using Clock = std::chrono::steady_clock;
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void run();
    bool syncListener();
    void acceptOne();
    void reapWorkers(bool all);
    void serve(Fd conn);
    void holdSilently(Fd& conn);
    // Ends a served connection: at once, or, for a printer that keeps its
    // side open, only once the sender has gone.
    void finishConnection(Fd& conn);
    void discard(Fd& conn);
    bool readAtLeast(Fd& conn, Bytes& buf, size_t size, int timeoutMs);
    bool isRawCommandPrefix(const Bytes& buf) const;
    void answer(Fd& conn, const Bytes& command);
    Bytes replyTo(const Bytes& command, Command kind);
    Bytes flashScanReply();
    void receiveFile(Fd& conn, Bytes buf);
    void pauseReading(double seconds);
    bool readHeader(Fd& conn, Bytes& buf, FlsHeader& header);
    void finishFile(const FlsHeader& header, uint64_t length, uint32_t crc);
    void takeFile(const FlsHeader& header);
    void record(const std::string& last);

    const PrinterConfig original_;
    const std::atomic<bool>& stop_;
    std::function<void()> changed_;

    mutable std::mutex mutex_; // guards everything below
    PrinterConfig cfg_;
    unsigned received_ = 0, accepted_ = 0, resets_ = 0;
    // Connections by what they carried: a query that only reads (version,
    // identifier, status, set-up, flash scan), any other command, and input
    // that was read and dropped unread.
    unsigned queries_ = 0, commands_ = 0, discarded_ = 0;
    std::string last_ = "-";
    bool away_ = false;
    Clock::time_point backAt_;
    std::string pendingAio_, pendingPanel_, pendingScan_;
    bool setupFirst_ = false, setupSecond_ = false;
    unsigned scanQueriesAfterSetup_ = 0;
    std::mt19937 rng_;
    Fd listen_;
    bool listenerShut_ = false;

    std::list<Worker> workers_; // touched by the listener thread only
    std::thread thread_;
};
