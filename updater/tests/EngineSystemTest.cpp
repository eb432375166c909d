// The engine on the system's own pieces: the link library loaded from the
// common folder, and the tick counter. Run under Wine only.
#include "EngineTestSupport.h"
#include "FakeUpdater.h"
#include "PrinterLock.h"
#include "PrinterLocks.h"
#include "UpdaterBoundary.h"
#include "WindowsSupport.h"

#include <chrono>
#include <ctime>
#include <thread>

using Lifecycle = EngineTest;

TEST_F(Lifecycle, InitializeWithoutTheCommunicationLibrary) {
    writeConfig();
    ISDUpdater* updater = new ISDUpdater(nullptr, clock_);
    options_.getRsrcMgr().setDirectories(L"", L"");
    EXPECT_EQ(updater->initialize(&options_), 7);
    EXPECT_EQ(logged("IComTarget::makeComTarget(): LoadLibrary() failed on path= KIVComm.dll"), 1u);
    options_.getRsrcMgr().setDirectories(folder_.path(), folder_.path());
    EXPECT_EQ(updater->initialize(&options_), 7);
    EXPECT_EQ(logged("IComTarget::makeComTarget(): LoadLibrary() failed on path= " +
                     narrow(folder_.path()) + "KIVComm.dll"),
              1u);
    // Without a communication object every device counts as not answering.
    EXPECT_EQ(updater->update(&options_, 0, nullptr, false), IUpdater::UpdateUnreachable);
    int32_t reason = 0;
    KIVDevice device;
    EXPECT_FALSE(updater->isCompatibleDevice(&options_, &device, &reason));
    EXPECT_EQ(reason, 9);
    KIVDeviceArray devices;
    EXPECT_EQ(updater->enumerateCompatibleDevices(&options_, &devices, nullptr), 0);
    EXPECT_TRUE(devices.empty());
    delete updater;
    EXPECT_GE(lineIndex("+ISDUpdater::~ISDUpdater(): "), 0);
}

// The engine's deadlines must not move when someone sets the calendar clock:
// its seconds come from a counter that starts near the machine's start, not
// from the date, and still advance with real time.
TEST(SystemClock, CountsElapsedTimeNotTheDate) {
    EngineClock& clock = EngineClock::system();
    const int64_t before = clock.now();
    const int64_t calendar = static_cast<int64_t>(std::time(nullptr));
    EXPECT_GT(calendar - before, 10LL * 365 * 24 * 3600) << "reads the calendar";
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const int64_t after = clock.now();
    EXPECT_GE(after - before, 2);
    EXPECT_LE(after - before, 10);
}

// What leaves Updater.dll when the engine throws while comparing versions:
// the package counts as newer, never as "already up to date".
TEST(UpdaterBoundaryFaults, AComparisonThatThrowsMeansThePackageIsNewer) {
    FakeUpdater* engine = new FakeUpdater();
    FakeEnginePrinter printer;
    printer.name = L"K206";
    printer.packageNewer = false;
    printer.newerThrows = true;
    engine->printers.push_back(printer);
    UpdaterBoundary boundary(engine);
    KIVOptions options;
    KIVDevice device;
    device.setName(L"K206");
    options.addDeviceToList(device);
    EXPECT_TRUE(boundary.isPackageNewerThanDevice(&options, 0));
}

// A flash holds the machine awake on the updating thread, and lets it sleep
// again when the update returns.
TEST(UpdaterBoundaryFaults, AnUpdateKeepsTheMachineAwakeUntilItReturns) {
    const EXECUTION_STATE held = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
    FakeUpdater* engine = new FakeUpdater();
    FakeEnginePrinter printer;
    printer.name = L"K206";
    engine->printers.push_back(printer);
    EXECUTION_STATE during = 0;
    // Setting a state gives back the one in force before it.
    engine->duringUpdate = [&](const std::wstring&) { during = SetThreadExecutionState(held); };
    UpdaterBoundary boundary(engine);
    KIVOptions options;
    KIVDevice device;
    device.setName(L"K206");
    options.addDeviceToList(device);
    boundary.update(&options, 0, nullptr, false);
    EXPECT_EQ(during & held, held);
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS), static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
}

// The system's printer locks: one hold per endpoint at a time, across
// threads (and so across runs, which are processes holding the same names);
// a printer reached through a spooler port and by its address is one
// endpoint, and a USB path is one whatever its letter case.
TEST(PrinterLocks, OneUpdateOfAnEndpointAtATime) {
    KIVDevice port;
    port.setType(KIVDevice::TypeNetwork);
    port.setPortName(L"IP_10.9.8.7");
    port.setIPAddress(L"10.9.8.7");
    port.setTcpPort(9100);
    KIVDevice address = port;
    address.setType(KIVDevice::TypeIpAddress);
    address.setPortName(L"");
    KIVDevice padded = address; // as the printer's panel shows it
    padded.setIPAddress(L"010.009.008.007");
    KIVDevice otherPort = port;
    otherPort.setTcpPort(9101);
    KIVDevice usb;
    usb.setType(KIVDevice::TypeUsb);
    usb.setUsbDevicePath(L"\\\\?\\USB#VID_7B1E&PID_0A1B#5&1#{28d78fad}");
    KIVDevice usbLower = usb;
    usbLower.setUsbDevicePath(L"\\\\?\\usb#vid_7b1e&pid_0a1b#5&1#{28d78fad}");

    PrinterLocks& locks = PrinterLocks::system();
    std::shared_ptr<void> first = locks.take(port);
    std::shared_ptr<void> usbHold = locks.take(usb);
    ASSERT_TRUE(first && usbHold);
    auto takenElsewhere = [&](const KIVDevice& device) {
        bool taken = false;
        std::thread([&] { taken = locks.take(device) != nullptr; }).join();
        return taken;
    };
    EXPECT_FALSE(takenElsewhere(port));
    EXPECT_FALSE(takenElsewhere(address));
    EXPECT_FALSE(takenElsewhere(padded));
    EXPECT_FALSE(takenElsewhere(usbLower));
    EXPECT_TRUE(takenElsewhere(otherPort));
    first.reset();
    usbHold.reset();
    EXPECT_TRUE(takenElsewhere(address));
    EXPECT_TRUE(takenElsewhere(usbLower));
    EXPECT_EQ(PrinterLock::nameFor(usb).find(L'\\', 7), std::wstring::npos);
}
