#include "SimHarness.h"

#include "Crc32.h"
#include "FlsHeader.h"
#include "FlsPayload.h"
#include "Net.h"
#include "SimState.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Harness {

namespace {

const std::atomic<bool> kNever{false};

Fd connectTo(const std::string& addr, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    inet_pton(AF_INET, addr.c_str(), &sa.sin_addr);
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        return Fd();
    return fd;
}

// Works on sockets and pipes alike; -1 when nothing came within timeoutMs.
long readFor(int fd, char* buf, size_t size, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return -1;
    return long(::read(fd, buf, size));
}

std::string readAll(int fd, int idleMs) {
    std::string out;
    char buf[4096];
    long n;
    while ((n = readFor(fd, buf, sizeof buf, idleMs)) > 0)
        out.append(buf, size_t(n));
    return out;
}

} // namespace

std::string netFor(const std::string& testName, unsigned salt) {
    char cwd[4096] = "";
    if (!::getcwd(cwd, sizeof cwd))
        cwd[0] = 0;
    size_t h = std::hash<std::string>()(testName + "|" + cwd + "|" + std::to_string(::getpid()) +
                                        "|" + std::to_string(salt));
    return "127." + std::to_string(16 + h % 239) + "." + std::to_string(1 + (h / 239) % 254);
}

Bytes exchange(const std::string& addr, const Bytes& data, bool* connected, int idleMs,
               uint16_t port) {
    Fd fd = connectTo(addr, port);
    if (connected)
        *connected = bool(fd);
    if (!fd)
        return {};
    Net::sendAll(fd.get(), data.data(), data.size(), kNever);
    std::string r = readAll(fd.get(), idleMs);
    return Bytes(r.begin(), r.end());
}

bool canConnect(const std::string& addr, uint16_t port) {
    return bool(connectTo(addr, port));
}

std::string control(const std::string& addr, const std::string& line) {
    Fd fd = connectTo(addr, 9199);
    if (!fd)
        return "<no control port>";
    std::string text = line + "\n";
    Net::sendAll(fd.get(), text.data(), text.size(), kNever);
    return readAll(fd.get(), 3000);
}

bool sendFile(const std::string& addr, const Bytes& file) {
    Fd fd = connectTo(addr, 9100);
    if (!fd)
        return false;
    if (!Net::sendAll(fd.get(), file.data(), file.size(), kNever))
        return false;
    ::shutdown(fd.get(), SHUT_WR);
    char buf[256];
    long n;
    while ((n = readFor(fd.get(), buf, sizeof buf, 5000)) > 0) {
    }
    return n == 0;
}

Bytes makeFls(const std::string& model, const std::string& aio, const std::string& panel,
              const std::string& scan, size_t payloadBytes, uint32_t crcXor) {
    Bytes file(FlsHeader::kSize + payloadBytes);
    FlsPayload(payloadBytes).fill(file.data() + FlsHeader::kSize, payloadBytes);
    FlsHeader h;
    h.model = model;
    h.aioVersion = aio;
    h.panelVersion = panel;
    h.scanVersion = scan;
    h.payloadLength = uint32_t(payloadBytes);
    h.payloadCrc = Crc32::of(file.data() + FlsHeader::kSize, payloadBytes) ^ crcXor;
    h.write(file.data());
    return file;
}

namespace {
double waitUntilReachable(const std::string& addr, bool reachable, double maxSeconds) {
    auto t0 = std::chrono::steady_clock::now();
    while (true) {
        double waited =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (canConnect(addr) == reachable)
            return waited;
        if (waited > maxSeconds)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
} // namespace

double waitUntilBack(const std::string& addr, double maxSeconds) {
    return waitUntilReachable(addr, true, maxSeconds);
}

double waitUntilGone(const std::string& addr, double maxSeconds) {
    return waitUntilReachable(addr, false, maxSeconds);
}

bool Sim::start(const std::string& iniTemplate, const std::string& testName) {
    for (unsigned salt = 0; salt < 4; ++salt) {
        int rc = startOn(iniTemplate, netFor(testName, salt));
        if (rc != 3)
            return rc == 0;
    }
    return false;
}

int Sim::startOn(const std::string& iniTemplate, const std::string& net) {
    net_ = net;
    std::string ini = iniTemplate;
    for (size_t at; (at = ini.find("@NET@")) != std::string::npos;)
        ini.replace(at, 5, net_);
    return launch(ini);
}

int Sim::launch(const std::string& ini) {
    char tmpl[] = "/tmp/sim-test.XXXXXX";
    if (dir_.empty())
        dir_ = ::mkdtemp(tmpl) ? tmpl : "/tmp";
    std::string path = dir_ + "/sim.ini";
    std::ofstream(path) << ini;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
        return -1;
    std::string controlArg = addr(1) + ":9199";
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<const char*> argv = {PRINTER_SIM_PATH, path.c_str(), "--control",
                                         controlArg.c_str()};
        for (const auto& a : extraArgs)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        ::execv(PRINTER_SIM_PATH, const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    stderr_ = err[0];
    output_ = errors_ = "";
    // "ready" comes within a moment, or the simulator exits (taken address, bad INI).
    char buf[4096];
    long n;
    while (output_.find("ready\n") == std::string::npos &&
           (n = readFor(stdout_, buf, sizeof buf, 5000)) > 0)
        output_.append(buf, size_t(n));
    if (output_.find("ready\n") != std::string::npos)
        return 0;
    return stop();
}

int Sim::stop() {
    if (pid_ < 0)
        return -1;
    if (stdin_ >= 0)
        ::close(stdin_);
    stdin_ = -1;
    return reap();
}

int Sim::signal(int sig) {
    if (pid_ > 0)
        ::kill(pid_, sig);
    return reap();
}

int Sim::reap() {
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        status = -1;
    }
    pid_ = -1;
    errors_ = readAll(stderr_, 100);
    for (int* fd : {&stdin_, &stdout_, &stderr_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    std::remove((dir_ + "/sim.ini").c_str());
    ::rmdir(dir_.c_str());
    dir_.clear();
    return status < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Sim::state(const std::string& section, const std::string& field) const {
    return SimState::field(control("STATE"), section, field);
}

} // namespace Harness
