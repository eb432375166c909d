// The simulator's control port: one text command per connection, answered with
// zero or more lines and a last line "OK" or "ERR <reason>", then closed.
#pragma once

#include "Net.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class ControlServer {
public:
    // Gets the command line without its end; returns the reply without "OK"; sets
    // error (and the reply is dropped) when the command fails.
    using Handler = std::function<std::string(const std::string& line, std::string& error)>;

    ControlServer(const std::atomic<bool>& stop, Handler handler)
        : stop_(stop), handler_(std::move(handler)) {}
    ~ControlServer() { join(); }

    bool start(const std::string& addr, uint16_t port, std::string& error);
    void join();

private:
    void run();
    void serve(Fd conn);

    const std::atomic<bool>& stop_;
    Handler handler_;
    Fd listen_;
    std::thread thread_;
};
