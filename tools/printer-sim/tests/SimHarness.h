// Runs the real printer-sim on loopback addresses of its own and talks to it the
// way the communication library does: one connection per operation.
#pragma once

#include "PrinterReplies.h"

#include <string>
#include <vector>
#include <sys/types.h>

namespace Harness {

// A loopback /24 prefix for this test case ("127.x.y"), distinct for every test,
// process and folder; salt moves it when an address is taken.
std::string netFor(const std::string& testName, unsigned salt);

// Connects, sends, reads until the printer closes or nothing comes for idleMs.
// The flag says whether the connection succeeded at all.
Bytes exchange(const std::string& addr, const Bytes& data, bool* connected = nullptr,
               int idleMs = 3000, uint16_t port = 9100);
bool canConnect(const std::string& addr, uint16_t port = 9100);
std::string control(const std::string& addr, const std::string& line);
// Streams a file as sendFile does (all bytes, then the sending side closed) and
// reads until the printer closes; true when every byte went out and the close was
// clean, not a reset.
bool sendFile(const std::string& addr, const Bytes& file);
// A firmware file; a non-zero crcXor spoils the declared CRC.
Bytes makeFls(const std::string& model, const std::string& aio, const std::string& panel,
              const std::string& scan, size_t payloadBytes, uint32_t crcXor = 0);
// Waits until the printer takes connections again; the seconds waited, or -1.
double waitUntilBack(const std::string& addr, double maxSeconds);
// Waits until the printer refuses connections; the seconds waited, or -1.
double waitUntilGone(const std::string& addr, double maxSeconds);

class Sim {
public:
    ~Sim() { stop(); }
    // Writes the INI (with @NET@ replaced) and starts the simulator; false with
    // its error output when it did not print "ready".
    bool start(const std::string& iniTemplate, const std::string& testName);
    // Same, on a given prefix and without moving away from a taken address; the
    // simulator's exit code when it did not start, else 0.
    int startOn(const std::string& iniTemplate, const std::string& net);
    // Closes its standard input and waits; returns the exit status.
    int stop();
    int signal(int sig);
    const std::string& net() const { return net_; }
    std::string addr(int host) const { return net_ + "." + std::to_string(host); }
    std::string control(const std::string& line) const { return Harness::control(addr(1), line); }
    // One field of the STATE line of a printer.
    std::string state(const std::string& section, const std::string& field) const;
    const std::string& output() const { return output_; }
    // Arguments added after the INI path and --control on the next start.
    std::vector<std::string> extraArgs;
    const std::string& errors() const { return errors_; }

private:
    int launch(const std::string& ini);
    int reap();
    pid_t pid_ = -1;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
    std::string net_, output_, errors_, dir_;
};

} // namespace Harness
