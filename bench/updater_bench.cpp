// Figures for Updater.dll against the printer simulator:
//  - a full update run by the engine on the real KIVComm.dll, with the time the
//    printer imposes (file transfer, its reset, the configured waits) taken
//    out, which leaves the engine's own overhead;
//  - firmware transfer throughput over loopback.
// Run by bench/run-updater.sh inside with-sim.sh.
#include "EngineClock.h"
#include "IComTarget.h"
#include "ISDUpdater.h"
#include "KIVOptions.h"
#include "SimControl.h"
#include "WindowsSupport.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

double nowSeconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The system clock, with the time spent asleep added up.
class TimingClock : public EngineClock {
public:
    double slept = 0;
    int64_t now() override { return EngineClock::system().now(); }
    void sleepMs(uint32_t ms) override {
        double t = nowSeconds();
        EngineClock::system().sleepMs(ms);
        slept += nowSeconds() - t;
    }
};

// The real communication object, with the time of file sends and of all other
// printer traffic added up.
class TimingComTarget : public IComTarget {
public:
    explicit TimingComTarget(IComTarget* real) : real_(real) {}
    ~TimingComTarget() override { delete real_; }

    double transfer = 0;
    double io = 0;

    bool isDeviceReady(KIVDevice* d) override {
        Timer t(io);
        return real_->isDeviceReady(d);
    }
    int32_t sendPacket(KIVDevice* d, const wchar_t* c, unsigned char** r, uint32_t* l) override {
        Timer t(io);
        return real_->sendPacket(d, c, r, l);
    }
    int32_t sendRaw(KIVDevice* d, const wchar_t* c, unsigned char** r, uint32_t* l,
                    int32_t f) override {
        Timer t(io);
        return real_->sendRaw(d, c, r, l, f);
    }
    int32_t sendFile(KIVDevice* d, const wchar_t* p) override {
        Timer t(transfer);
        return real_->sendFile(d, p);
    }
    int32_t enumerateDevices(KIVDeviceArray* l, IpAddressArray* a) override {
        return real_->enumerateDevices(l, a);
    }
    void createDeviceList(KIVDeviceArray** out) override { real_->createDeviceList(out); }
    void freeDeviceList(KIVDeviceArray** list) override { real_->freeDeviceList(list); }
    int32_t extension1(uint32_t v) override { return real_->extension1(v); }
    int32_t extension2(uint32_t v) override { return real_->extension2(v); }

private:
    struct Timer {
        explicit Timer(double& sum) : sum_(sum), start_(nowSeconds()) {}
        ~Timer() { sum_ += nowSeconds() - start_; }
        double& sum_;
        double start_;
    };
    IComTarget* real_;
};

std::wstring exeFolder() {
    wchar_t path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    std::wstring folder(path, n);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

bool writeText(const std::wstring& path, const std::string& text) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == text.size();
}

uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The shipped keys; no boot or retry wait, so that the only imposed times are
// the transfer and the printer's reset.
const char* benchConfig = ";KIV Config File\r\n"
                          "[DeviceInfo]\r\nVendor=Oskel\r\nModelName=K206\r\nVID=7B1E\r\n"
                          "PIDs=31C7\r\n"
                          "[Versions]\r\nFirmwareVersion1=K206_G082511_00\r\n"
                          "[UpdateSequence]\r\n1.Files=updater-bench-4M.fls:0\r\n"
                          "[Verifications]\r\nExactModelMatch=true\r\nVerifyPIDVID=true\r\n"
                          "CheckSpr=true\r\nSprList=\r\n"
                          "[Timers]\r\nFlashTimeout=30\r\nBootTimeout=0\r\nRetryTimeout=0\r\n"
                          "Retries=0\r\n";
const double printerResetSeconds = 1.0; // ResetSeconds of [bench]
const int updateRuns = 3;
const int transferRuns = 3;

KIVDevice printerAt(int host) {
    KIVDevice device;
    device.setType(KIVDevice::TypeIpAddress);
    device.setName(L"K206");
    device.setIPAddress(simAddress(host));
    device.setTcpPort(9100);
    return device;
}

} // namespace

int main() {
    if (simNet().empty()) {
        std::fprintf(stderr, "updater_bench: run it through bench/run-updater.sh\n");
        return 2;
    }
    const std::wstring folder = exeFolder();
    KIVOptions options;
    options.getRsrcMgr().setDirectories(folder, folder + L"..\\comm\\");
    options.setCfgIniPath(folder + L"updater-bench-config.ini");
    if (!writeText(folder + L"updater-bench-config.ini", benchConfig)) {
        std::fprintf(stderr, "updater_bench: cannot write config.ini\n");
        return 1;
    }
    int32_t rc = 0;
    IComTarget* real = IComTarget::makeComTarget(&options, &rc);
    if (!real) {
        std::fprintf(stderr, "updater_bench: KIVComm.dll not loaded (rc %d)\n", rc);
        return 1;
    }
    TimingComTarget* com = new TimingComTarget(real);
    TimingClock clock;
    ISDUpdater updater(com, clock);
    options.addDeviceToList(printerAt(2));

    std::printf("full update (4 MiB file, printer reset %.1f s, no boot or retry wait)\n",
                printerResetSeconds);
    std::printf("run  rc  wall_s  transfer_s  reset_s  overhead_s  | poll_wait_s  "
                "printer_io_s  engine_cpu_s\n");
    for (int run = 1; run <= updateRuns; ++run) {
        simRestore("bench");
        com->transfer = com->io = clock.slept = 0;
        double start = nowSeconds();
        int32_t result = updater.update(&options, 0, nullptr, false);
        double wall = nowSeconds() - start;
        // Overhead: everything that is not the transfer or the printer's own
        // reset, including the polling granularity of the reset wait.
        double overhead = wall - com->transfer - printerResetSeconds;
        // Of that: the 500 ms steps of the reset wait beyond the reset itself,
        // the other printer traffic, and the engine's own work.
        double pollWait = clock.slept - printerResetSeconds;
        double cpu = wall - com->transfer - clock.slept - com->io;
        std::printf("%3d  %2d  %6.3f  %10.3f  %7.3f  %10.3f  | %11.3f  %12.3f  %12.3f\n", run,
                    result, wall, com->transfer, printerResetSeconds, overhead, pollWait, com->io,
                    cpu);
    }

    const std::wstring bulk = folder + L"updater-bench-64M.fls";
    uint64_t bytes = fileSize(bulk);
    KIVDevice bulkPrinter = printerAt(3);
    std::printf("\nfirmware transfer over loopback (%.1f MiB file)\n",
                static_cast<double>(bytes) / (1024.0 * 1024.0));
    std::printf("run  rc  seconds    MB/s  accepted\n");
    for (int run = 1; run <= transferRuns; ++run) {
        simRestore("bulk");
        // The printer takes files again once it listens after its reset.
        for (int i = 0; i < 50 && !com->isDeviceReady(&bulkPrinter); ++i)
            Sleep(100);
        double start = nowSeconds();
        int32_t result = com->sendFile(&bulkPrinter, bulk.c_str());
        double seconds = nowSeconds() - start;
        // The printer checks the file after the transfer; wait for its verdict.
        std::string accepted;
        for (int i = 0; i < 50; ++i) {
            accepted = simStateField("bulk", "accepted");
            if (accepted == "1")
                break;
            Sleep(100);
        }
        std::printf("%3d  %2d  %7.3f  %6.1f  %s\n", run, result, seconds,
                    static_cast<double>(bytes) / seconds / 1e6, accepted.c_str());
    }
    return 0;
}
