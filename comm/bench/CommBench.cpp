// Figures for KIVComm.dll against the printer simulator: the cost of one
// command, of a readiness probe, of an enumeration, of a silent printer, and
// the file throughput over loopback. Run by comm/bench/run-comm.sh.
#include "IComTarget.h"
#include "KIVOptions.h"
#include "PrinterCommands.h"
#include "ScopedHandle.h"
#include "SimControl.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {
double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring exeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// Median and worst of `runs` timings of `work`, in milliseconds; returns the median.
double report(const char* what, int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = nowMs();
        work();
        times.push_back(nowMs() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %8.2f ms  max %8.2f ms  (%d runs)\n", what, times[times.size() / 2],
                times.back(), runs);
    return times[times.size() / 2];
}

KIVDevice printerAt(int host) {
    KIVDevice device;
    device.setType(KIVDevice::TypeIpAddress);
    device.setIPAddress(simAddress(host));
    return device;
}
} // namespace

int wmain() {
    if (simNet().empty()) {
        std::fprintf(stderr, "run through with-sim.sh\n");
        return 2;
    }
    ScopedLibrary library(LoadLibraryW((exeFolder() + L"KIVComm.dll").c_str()));
    DllGetKIVCommFn factory =
        library ? getProcAddressAs<DllGetKIVCommFn>(library.get(), "DllGetKIVComm") : nullptr;
    if (!factory) {
        std::fprintf(stderr, "KIVComm.dll not loaded\n");
        return 1;
    }
    std::wstring config = exeFolder() + L"comm-bench-config.ini";
    std::ofstream(config.c_str()) << "[DeviceInfo]\nModelName=K206\nVID=7B1E\nPIDs=31C7\n"
                                     "[Verifications]\nExactModelMatch=true\nVerifyPIDVID=true\n";
    KIVOptions options;
    options.setCfgIniPath(config);
    IComTarget* comm = factory(&options);

    KIVDevice good = printerAt(10);
    KIVDevice silent = printerAt(16);
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    report("isDeviceReady, printer present", 200, [&] { comm->isDeviceReady(&good); });
    report("sendPacket status query", 200,
           [&] { comm->sendPacket(&good, StatusQueryCommand, &reply, &length); });
    report("sendPacket version query", 200,
           [&] { comm->sendPacket(&good, VersionQueryCommand, &reply, &length); });
    report("sendRaw flash-scan query (no part: empty)", 50,
           [&] { comm->sendRaw(&good, FlashScanQueryCommand, &reply, &length, 1); });
    report("sendPacket to a silent printer", 3,
           [&] { comm->sendPacket(&silent, StatusQueryCommand, &reply, &length); });
    // The engine asks the flash-scan part up to 30 times with a 1 s pause,
    // three times over, when the part never answers.
    double scanTry = report("sendRaw flash-scan query, silent printer", 5, [&] {
        comm->sendRaw(&silent, FlashScanQueryCommand, &reply, &length, 1);
    });
    std::printf("%-44s %8.1f s   (30 x (try + 1 s pause); 3 attempts: %.0f s)\n",
                "  flash-scan read without an answer", 30 * (scanTry + 1000) / 1000.0,
                3 * 30 * (scanTry + 1000) / 1000.0);

    // A printer that starts every answer 1.5 s late: a command of the flash
    // sequence must still get its reply; silent, it must not cost much more.
    KIVDevice late = printerAt(20);
    uint32_t lateLength = 0;
    report("sendRaw sequence command, answer after 1.5 s", 5, [&] {
        comm->sendRaw(&late, L"AABB", &reply, &length, IComTarget::RawAnswersInTime);
        lateLength = length;
    });
    std::printf("%-44s %8u bytes (2 expected)\n", "  its reply", static_cast<unsigned>(lateLength));
    report("sendRaw sequence command, silent printer", 3,
           [&] { comm->sendRaw(&silent, L"AABB", &reply, &length, IComTarget::RawAnswersInTime); });

    std::vector<ipAddressObject> entered;
    for (int host : {10, 11, 12, 13, 14, 15})
        entered.push_back(ipAddressObject(simAddress(host)));
    report("enumerate 4 good, 1 other model, 1 absent", 10, [&] {
        IpAddressArray addresses;
        for (ipAddressObject& entry : entered)
            addresses.push_back(&entry);
        KIVDeviceArray* list = nullptr;
        comm->createDeviceList(&list);
        comm->enumerateDevices(list, &addresses);
        comm->freeDeviceList(&list);
    });
    report("enumerate 3 silent printers", 3, [&] {
        ipAddressObject first(simAddress(16)), second(simAddress(17)), third(simAddress(18));
        IpAddressArray addresses = {&first, &second, &third};
        KIVDeviceArray* list = nullptr;
        comm->createDeviceList(&list);
        comm->enumerateDevices(list, &addresses);
        comm->freeDeviceList(&list);
    });

    // Bytes that are no firmware: the printer reads them to the end and drops them.
    const size_t fileSize = 32u << 20;
    std::wstring file = exeFolder() + L"comm-bench.bin";
    {
        std::vector<char> data(fileSize, 'x');
        std::ofstream(file.c_str(), std::ios::binary).write(data.data(), data.size());
    }
    double start = nowMs();
    int32_t rc = comm->sendFile(&good, file.c_str());
    double spent = nowMs() - start;
    std::printf("%-44s %8.1f MB/s  (%u MiB in %.0f ms, rc=%d)\n", "sendFile throughput",
                fileSize / 1048576.0 / (spent / 1000.0), static_cast<unsigned>(fileSize >> 20),
                spent, static_cast<int>(rc));
    KIVDevice keepsOpen = printerAt(19);
    report("sendFile 32 MiB, printer keeps its link open", 3,
           [&] { comm->sendFile(&keepsOpen, file.c_str()); });
    DeleteFileW(file.c_str());
    delete comm;
    DeleteFileW(config.c_str());
    return 0;
}
