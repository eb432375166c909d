// Prints how fast the simulator takes a firmware file and answers queries over
// loopback. Figures only: the machine decides what is fast enough.
// usage: printer-sim-bench [payload MiB, default 64] [rounds, default 5]
#include "SimHarness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace Harness;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

int fileRounds(Sim& sim, size_t mib, int rounds) {
    Bytes file = makeFls("K206", "K206_G082511_00", "", "", mib << 20);
    double best = 0, total = 0;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock::now();
        if (!sendFile(sim.addr(2), file)) {
            std::fprintf(stderr, "round %d: transfer failed\n", i);
            return 1;
        }
        double s = seconds(t0);
        double rate = double(file.size()) / s / 1e6;
        best = std::max(best, rate);
        total += s;
        if (waitUntilBack(sim.addr(2), 5) < 0) {
            std::fprintf(stderr, "round %d: printer did not come back\n", i);
            return 1;
        }
    }
    std::printf("file %zu MiB x %d: mean %.0f MB/s, best %.0f MB/s (send, check, CRC)\n", mib,
                rounds, double(file.size()) * rounds / total / 1e6, best);
    std::printf("accepted=%s\n", sim.state("p", "accepted").c_str());
    return 0;
}

void queryRounds(Sim& sim) {
    const Bytes version = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x05, 0x10};
    const int n = 2000;
    auto t0 = Clock::now();
    int answered = 0;
    for (int i = 0; i < n; ++i)
        answered += !exchange(sim.addr(2), version).empty();
    double s = seconds(t0);
    std::printf("version queries: %d in %.2f s, %.0f per second, %.0f us each, %d answered\n", n, s,
                n / s, s / n * 1e6, answered);
}

} // namespace

int main(int argc, char** argv) {
    size_t mib = argc > 1 ? size_t(std::atoi(argv[1])) : 64;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    Sim sim;
    if (!sim.start("[p]\nAddress=@NET@.2\nResetSeconds=0\n", "printer-sim-bench")) {
        std::fprintf(stderr, "simulator did not start: %s\n", sim.errors().c_str());
        return 1;
    }
    int rc = fileRounds(sim, mib, rounds);
    queryRounds(sim);
    sim.stop();
    return rc;
}
