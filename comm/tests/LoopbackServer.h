// A printer stand-in on a loopback address, for faults that the simulator
// does not show (replies cut at any byte, stalls between bytes). Each
// connection is read, handed to the test's handler and closed.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    typedef std::vector<uint8_t> Bytes;
    // Runs on the server thread with the bytes the client sent.
    typedef std::function<void(SOCKET client, const Bytes& received)> Handler;

    // readToEnd: read until the client closes its side (files) instead of
    // until the command has arrived.
    explicit LoopbackServer(Handler handler, bool readToEnd = false);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    uint16_t port() const { return port_; }
    int connections() const { return connections_; }
    Bytes lastReceived();

    // False once the client has gone.
    static bool sendBytes(SOCKET client, const Bytes& bytes);
    // Keeps the connection open without a word until the client closes it or
    // maxMs pass, so that a test of a time-out does not outlast the time-out.
    static void holdUntilClosed(SOCKET client, int maxMs);
    // A port on 127.0.0.1 where nothing listens.
    static uint16_t closedPort();

private:
    void run();
    Bytes readCommand(SOCKET client);

    Handler handler_;
    bool readToEnd_;
    SOCKET listener_;
    uint16_t port_;
    std::atomic<bool> stop_;
    std::atomic<int> connections_;
    std::mutex lock_;
    Bytes last_;
    std::thread thread_;
};
