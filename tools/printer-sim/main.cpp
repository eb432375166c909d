// printer-sim: network printers on loopback addresses for the engine, the wizard and
// the demo to talk to. See docs/protocol.md for the INI keys and the control port.
#include "ControlServer.h"
#include "Printer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <poll.h>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] =
    "usage: printer-sim CONFIG.ini [--control ADDR:PORT|off] [--state FILE] [--ignore-stdin]\n";

constexpr int kExitUsage = 2;
constexpr int kExitBind = 3; // an address is taken: a wrapper may try other addresses

volatile std::sig_atomic_t gSignal = 0;
void onSignal(int) {
    gSignal = 1;
}

struct Args {
    std::string config;
    std::string control = "127.0.0.1:9199";
    std::string stateFile;
    bool ignoreStdin = false;
};

bool parseArgs(int argc, char** argv, Args& a) {
    for (int i = 1; i < argc; ++i) {
        std::string s = argv[i];
        if (s == "--ignore-stdin")
            a.ignoreStdin = true;
        else if ((s == "--control" || s == "--state") && i + 1 < argc)
            (s == "--control" ? a.control : a.stateFile) = argv[++i];
        else if (s[0] != '-' && a.config.empty())
            a.config = s;
        else
            return false;
    }
    return !a.config.empty();
}

class Simulator {
public:
    explicit Simulator(const Args& args) : args_(args) {}
    int run();

private:
    bool load(std::vector<PrinterConfig>& cfgs);
    int startAll(const std::vector<PrinterConfig>& cfgs);
    void waitForEnd();
    void writeState();
    std::string command(const std::string& line, std::string& error);
    Printer* find(const std::string& section);

    Args args_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> quit_{false};
    std::atomic<bool> dirty_{true};
    std::vector<std::unique_ptr<Printer>> printers_;
    std::unique_ptr<ControlServer> control_;
};

bool Simulator::load(std::vector<PrinterConfig>& cfgs) {
    std::ifstream in(args_.config);
    if (!in) {
        std::fprintf(stderr, "printer-sim: cannot read %s\n", args_.config.c_str());
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!parseConfig(text.str(), cfgs, error)) {
        std::fprintf(stderr, "printer-sim: %s: %s\n", args_.config.c_str(), error.c_str());
        return false;
    }
    return true;
}

int Simulator::startAll(const std::vector<PrinterConfig>& cfgs) {
    std::string error;
    for (const auto& c : cfgs) {
        printers_.push_back(std::make_unique<Printer>(c, stop_, [this] { dirty_ = true; }));
        if (!printers_.back()->start(error)) {
            std::fprintf(stderr, "printer-sim: %s: %s\n", c.section.c_str(), error.c_str());
            return kExitBind;
        }
    }
    if (args_.control != "off") {
        std::string addr;
        uint16_t port = 0;
        if (!Net::splitAddress(args_.control, addr, port)) {
            std::fprintf(stderr, "printer-sim: bad --control %s\n", args_.control.c_str());
            return kExitUsage;
        }
        control_ = std::make_unique<ControlServer>(
            stop_, [this](const std::string& l, std::string& e) { return command(l, e); });
        if (!control_->start(addr, port, error)) {
            std::fprintf(stderr, "printer-sim: control port %s\n", error.c_str());
            return kExitBind;
        }
    }
    return 0;
}

int Simulator::run() {
    std::vector<PrinterConfig> cfgs;
    if (!load(cfgs))
        return kExitUsage;
    int rc = startAll(cfgs);
    if (rc == 0) {
        for (const auto& p : printers_)
            std::printf("listening %s %s\n", p->section().c_str(), p->endpoint().c_str());
        std::printf("ready\n");
        std::fflush(stdout);
        waitForEnd();
    }
    stop_ = true;
    for (auto& p : printers_)
        p->join();
    if (control_)
        control_->join();
    if (rc == 0)
        writeState();
    return rc;
}

// Ends on a signal, on QUIT, or when standard input closes: a parent that dies
// without cleaning up closes our input and so stops us too.
void Simulator::waitForEnd() {
    bool watchStdin = !args_.ignoreStdin;
    while (!gSignal && !quit_) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int r = ::poll(&p, watchStdin ? 1 : 0, 100);
        if (r > 0) {
            char buf[256];
            ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                break;
        }
        if (dirty_.exchange(false))
            writeState();
    }
}

void Simulator::writeState() {
    if (args_.stateFile.empty())
        return;
    std::string error;
    std::string text = command("STATE", error);
    std::string tmp = args_.stateFile + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << text;
    }
    // Renamed into place so a reader never sees half a file.
    std::rename(tmp.c_str(), args_.stateFile.c_str());
}

Printer* Simulator::find(const std::string& section) {
    for (auto& p : printers_)
        if (p->section() == section)
            return p.get();
    return nullptr;
}

std::string Simulator::command(const std::string& line, std::string& error) {
    std::istringstream in(line);
    std::string verb, section, key;
    in >> verb >> section >> key;
    std::string value;
    std::getline(in, value);
    value.erase(0, value.find_first_not_of(' '));
    if (verb == "STATE") {
        std::string text;
        for (const auto& p : printers_)
            text += p->stateLine() + "\n";
        return text;
    }
    if (verb == "QUIT") {
        quit_ = true;
        return "";
    }
    Printer* p = find(section);
    if ((verb == "SET" || verb == "RESTORE") && !p) {
        error = "no printer " + section;
        return "";
    }
    if (verb == "SET" && !key.empty())
        p->set(key, value, error);
    else if (verb == "RESTORE")
        p->restore();
    else
        error = "unknown command";
    return "";
}

} // namespace

int main(int argc, char** argv) {
    Args args;
    if (!parseArgs(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return Simulator(args).run();
}
