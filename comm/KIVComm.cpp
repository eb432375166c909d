#include "KIVComm.h"

#include "CIniReader.h"
#include "CommTimeouts.h"
#include "DeviceAddress.h"
#include "HexCommand.h"
#include "KIVOptions.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "PrinterCommands.h"
#include "PrinterReplies.h"
#include "SideBySide.h"
#include "SpoolerPorts.h"
#include "TextCase.h"
#include "TcpTransport.h"
#include "UsbPrinters.h"
#include "UsbTransport.h"
#include "WindowsSupport.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <set>

namespace {
// Long replies (a file's worth of raw bytes) would flood the log.
std::wstring replyForLog(const std::vector<uint8_t>& reply) {
    const size_t shown = 64;
    std::wstring text = toHexText(reply.data(), reply.size() < shown ? reply.size() : shown);
    if (reply.size() > shown)
        text += L"...";
    return text;
}

struct Probe {
    bool answered = false;
    PrinterIdentity identity;
};

struct NetworkTarget {
    std::wstring address;
    uint16_t port;
};

} // namespace

KIVComm::KIVComm(KIVOptions* options) : options_(options) {
    MethodTrace trace(LogCommInterface, L"KIVComm::KIVComm(): ");
}

KIVComm::~KIVComm() {
    MethodTrace trace(LogCommInterface, L"KIVComm::~KIVComm(): ");
}

std::unique_ptr<Transport> KIVComm::transportFor(const KIVDevice& device) {
    if (device.getType() == KIVDevice::TypeUsb)
        return std::unique_ptr<Transport>(new UsbTransport(device.getUsbDevicePath()));
    int32_t port = device.getTcpPort();
    if (port <= 0 || port > 65535)
        port = DefaultPrinterPort;
    return std::unique_ptr<Transport>(
        new TcpTransport(device.getIPAddress(), static_cast<uint16_t>(port)));
}

std::vector<uint8_t>& KIVComm::replyBuffer() {
    std::lock_guard<std::mutex> guard(buffersLock_);
    const unsigned long id = ::GetCurrentThreadId();
    auto it = replyBuffers_.find(id);
    if (it == replyBuffers_.end()) {
        // Looking at every thread costs a system call each, under this lock:
        // done on every exchange, a fleet's workers waited for each other.
        // The ended threads' buffers go when the map has doubled since the
        // last look, so the kept ones stay within twice the running threads.
        if (replyBuffers_.size() >= pruneAt_) {
            releaseEndedThreadsBuffers();
            pruneAt_ = std::max(MinPruneAt, 2 * replyBuffers_.size());
        }
        it = replyBuffers_.emplace(id, ThreadReply()).first;
    }
    // Map nodes never move, and only the owning thread touches its vector.
    ThreadReply& entry = it->second;
    if (!entry.thread)
        entry.thread.reset(::OpenThread(SYNCHRONIZE, FALSE, id));
    return entry.bytes;
}

// Called with the lock held. A buffer whose thread could not be opened is
// kept: its end cannot be seen, and dropping it could pull a reply from
// under a thread still reading it.
void KIVComm::releaseEndedThreadsBuffers() {
    for (auto it = replyBuffers_.begin(); it != replyBuffers_.end();) {
        const ScopedKernelHandle& thread = it->second.thread;
        if (thread && ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0)
            it = replyBuffers_.erase(it);
        else
            ++it;
    }
}

size_t KIVComm::replyBufferCount() {
    std::lock_guard<std::mutex> guard(buffersLock_);
    return replyBuffers_.size();
}

bool KIVComm::isDeviceReady(KIVDevice* device) {
    MethodTrace trace(LogCommInterface, L"KIVComm::isDeviceReady(): ");
    if (!device)
        return false;
    try {
        std::unique_ptr<Transport> transport = transportFor(*device);
        bool ready = transport->isReady();
        trace.message(L"device=", transport->describe());
        trace.setResult(ready ? L"true" : L"false");
        return ready;
    } catch (...) {
        return false;
    }
}

int32_t KIVComm::sendPacket(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                            uint32_t* length) {
    return exchange(L"KIVComm::sendPacket(): ", device, command, reply, length, RawStart::InTime);
}

int32_t KIVComm::sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                         uint32_t* length, int32_t flag) {
    return exchange(L"KIVComm::sendRaw(): ", device, command, reply, length,
                    flag == RawAnswersAtOnce ? RawStart::AtOnce : RawStart::InTime);
}

// The engine reads the results of the transports as the interface names them.
static_assert(int32_t(Transport::Ok) == IComTarget::Answered &&
                  int32_t(Transport::NoReply) == IComTarget::NotAnswered,
              "exchange results");

int32_t KIVComm::exchange(const wchar_t* traceName, KIVDevice* device, const wchar_t* command,
                          unsigned char** reply, uint32_t* length, RawStart rawStart) {
    MethodTrace trace(LogCommInterface, traceName);
    if (length)
        *length = 0;
    if (reply)
        *reply = nullptr;
    try {
        std::vector<uint8_t>& buffer = replyBuffer();
        // A zero byte after the reply, outside its length: readers that take
        // text "up to the first zero" stop inside our buffer even when the
        // printer sent none.
        buffer.assign(1, 0);
        if (reply)
            *reply = buffer.data();
        if (!device || !command || !reply || !length)
            return BadArgument;
        std::vector<uint8_t> bytes;
        if (!parseHexCommand(command, bytes)) {
            trace.message(L"not a hexadecimal command, nothing sent: ", command);
            trace.setResult(std::to_wstring(BadCommand));
            return BadCommand;
        }
        std::unique_ptr<Transport> transport = transportFor(*device);
        std::vector<uint8_t> answer;
        Transport::Result result = transport->exchange(bytes, answer, rawStart);
        trace.message(L"device=", transport->describe(), L" cmd=", command, L" rc=",
                      static_cast<int32_t>(result), L" reply=", replyForLog(answer));
        buffer = answer;
        buffer.push_back(0);
        *reply = buffer.data();
        *length = static_cast<uint32_t>(answer.size());
        trace.setResult(std::to_wstring(result));
        return result;
    } catch (...) {
        // Out of memory half-way: the buffer may have moved.
        static unsigned char noReply = 0;
        if (reply)
            *reply = &noReply;
        if (length)
            *length = 0;
        return BadArgument;
    }
}

int32_t KIVComm::sendFile(KIVDevice* device, const wchar_t* path) {
    MethodTrace trace(LogCommInterface, L"KIVComm::sendFile(): ");
    if (!device || !path)
        return BadArgument;
    try {
        std::unique_ptr<Transport> transport = transportFor(*device);
        const int32_t budget = flashTimeoutSeconds();
        const uint32_t stallMs = CommTimeouts::fileStallMs(budget);
        Transport::Result result = transport->sendFile(path, stallMs, CommTimeouts::FileTotalMs);
        trace.message(L"device=", transport->describe(), L" file=", path, L" stall limit ms=",
                      stallMs);
        trace.setResult(std::to_wstring(result));
        return result;
    } catch (...) {
        return BadArgument;
    }
}

void KIVComm::createDeviceList(KIVDeviceArray** out) {
    MethodTrace trace(LogCommInterface, L"KIVComm::createDeviceList(): ");
    if (!out)
        return;
    try {
        *out = new KIVDeviceArray();
    } catch (...) {
        *out = nullptr;
    }
}

void KIVComm::freeDeviceList(KIVDeviceArray** list) {
    MethodTrace trace(LogCommInterface, L"KIVComm::freeDeviceList(): ");
    if (!list || !*list)
        return;
    for (KIVDevice* device : **list)
        delete device;
    delete *list;
    *list = nullptr;
}

int32_t KIVComm::extension1(uint32_t) {
    return 0;
}

int32_t KIVComm::extension2(uint32_t) {
    return 0;
}

int32_t KIVComm::flashTimeoutSeconds() {
    std::wstring path = options_ ? options_->getConfigIniPath() : std::wstring();
    if (path.empty())
        return 0;
    CIniReader ini;
    ini.setINIFileName(path);
    // A leading decimal number, as the engine reads its timers; anything
    // else gives 0, which leaves the plain limit.
    std::wstring value;
    ini.firstValue(L"FlashTimeout", value);
    long seconds = std::wcstol(value.c_str(), nullptr, 10);
    if (seconds < 0 || seconds > 0x7FFFFFFF)
        seconds = 0;
    return static_cast<int32_t>(seconds);
}

namespace {
// Every printer that takes a link is listed: whether it fits the package is
// the engine's decision, with its own reads and log lines. The identifiers
// and the model asked here only name the record and the log line; a silent
// printer costs one reply time-out, not two.
Probe probe(Transport& transport) {
    Probe result;
    if (!transport.isReady()) {
        ::Sleep(CommTimeouts::SearchRetryPauseMs);
        if (!transport.isReady())
            return result;
    }
    result.answered = true;
    std::vector<uint8_t> bytes, reply;
    parseHexCommand(IdentifierQueryCommand, bytes);
    if (transport.exchange(bytes, reply) == Transport::Ok)
        result.identity.identifiersRead = identifiersFromReply(
            reply.data(), reply.size(), result.identity.vid, result.identity.pid);
    if (!result.identity.identifiersRead)
        return result;
    parseHexCommand(VersionQueryCommand, bytes);
    if (transport.exchange(bytes, reply) == Transport::Ok)
        result.identity.modelRead =
            modelFromVersionReply(reply.data(), reply.size(), result.identity.model);
    return result;
}

// Network printers are asked side by side: an absent address costs the
// connect time-out and a silent printer the reply time-out, and a machine
// with a few stale spooler ports would otherwise wait for each in turn. Each
// thread takes the next printer as soon as it is done, so one absent address
// holds up no other.
std::vector<Probe> probeAll(const std::vector<NetworkTarget>& targets) {
    const size_t width = 16;
    std::vector<Probe> results(targets.size());
    runSideBySide(targets.size(), width, [&](size_t i) {
        try {
            TcpTransport transport(targets[i].address, targets[i].port);
            results[i] = probe(transport);
        } catch (...) {
        }
    });
    return results;
}
} // namespace

int32_t KIVComm::enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) {
    MethodTrace trace(LogCommInterface, L"KIVComm::enumerateDevices(): ");
    if (!list)
        return BadArgument;
    try {
        if (addresses)
            enumerateAddresses(*list, *addresses, trace);
        enumerateSpoolerPorts(*list, addresses, trace);
        appendUsbPrinters(findUsbPrinters(), *list, trace);
        trace.message(L"devices listed=", static_cast<uint32_t>(list->size()));
    } catch (...) {
        // The printers listed so far stay listed; the caller learns that the
        // list is not the whole search.
        trace.message(L"enumeration stopped by an error");
        return SearchIncomplete;
    }
    return 0;
}

void KIVComm::enumerateAddresses(KIVDeviceArray& list, IpAddressArray& addresses,
                                 MethodTrace& trace) {
    // An address entered twice is asked once and listed once.
    std::vector<NetworkTarget> targets;
    std::map<std::wstring, size_t> indexOf;
    for (const ipAddressObject* entry : addresses) {
        std::wstring address = entry ? enteredAddress(entry->getAddress()) : std::wstring();
        if (entry && indexOf.emplace(address, targets.size()).second)
            targets.push_back(NetworkTarget{address, DefaultPrinterPort});
    }
    std::vector<Probe> probes = probeAll(targets);
    std::vector<bool> listed(targets.size(), false);
    for (ipAddressObject* entry : addresses) {
        if (!entry)
            continue;
        size_t i = indexOf[enteredAddress(entry->getAddress())];
        const Probe& found = probes[i];
        // Whether the printer fits is the engine's to say (status 3).
        int32_t status =
            found.answered ? ipAddressObject::PrinterFound : ipAddressObject::NoPrinter;
        entry->setStatus(status);
        if (listed[i])
            continue;
        listed[i] = true;
        trace.message(L"address=", targets[i].address, L" status=", status, L" ",
                      found.answered ? found.identity.forLog() : L"no answer");
        if (status != ipAddressObject::PrinterFound)
            continue;
        std::unique_ptr<KIVDevice> device(new KIVDevice());
        device->setType(KIVDevice::TypeIpAddress);
        device->setName(found.identity.nameOr(targets[i].address));
        device->setIPAddress(targets[i].address);
        device->setTcpPort(DefaultPrinterPort);
        device->setHardwareIds(found.identity.identifiersText());
        list.push_back(device.release());
    }
}

namespace {
// The printer of an entered address keeps the name of the spooler port that
// leads to it too, so that it can be named either way.
void nameEnteredAddress(KIVDeviceArray& list, const NetworkTarget& target,
                        const std::wstring& portName) {
    for (KIVDevice* device : list) {
        if (device->getType() == KIVDevice::TypeIpAddress && device->getPortName().empty() &&
            device->getIPAddress() == target.address && device->getTcpPort() == target.port) {
            device->setPortName(portName);
            return;
        }
    }
}
} // namespace

// A printer already reached through an entered address, or through an earlier
// port with the same address and port number, is not listed again.
void KIVComm::enumerateSpoolerPorts(KIVDeviceArray& list, const IpAddressArray* addresses,
                                    MethodTrace& trace) {
    std::set<std::pair<std::wstring, uint16_t>> seen;
    if (addresses)
        for (const ipAddressObject* entry : *addresses)
            if (entry)
                seen.insert(
                    std::make_pair(enteredAddress(entry->getAddress()), DefaultPrinterPort));
    for (const KIVDevice* device : list)
        if (device->getType() != KIVDevice::TypeUsb)
            seen.insert(std::make_pair(device->getIPAddress(),
                                       static_cast<uint16_t>(device->getTcpPort())));
    std::vector<std::wstring> names;
    std::vector<NetworkTarget> targets;
    const std::map<std::wstring, std::vector<std::wstring>> queueDrivers = readQueueDrivers();
    for (const SpoolerPortValues& values : readSpoolerPorts()) {
        NetworkTarget target;
        if (!spoolerPortTarget(values, target.address, target.port)) {
            trace.message(L"port ", values.name, L" skipped: not a raw port with an address");
            continue;
        }
        if (!seen.insert(std::make_pair(target.address, target.port)).second) {
            nameEnteredAddress(list, target, values.name);
            continue;
        }
        names.push_back(values.name);
        targets.push_back(target);
    }
    std::vector<Probe> probes = probeAll(targets);
    for (size_t i = 0; i < targets.size(); ++i) {
        const Probe& found = probes[i];
        trace.message(L"port ", names[i], L" at ", targets[i].address, L":",
                      static_cast<uint32_t>(targets[i].port), L": ",
                      found.answered ? found.identity.forLog() : L"no answer");
        if (!found.answered)
            continue;
        std::unique_ptr<KIVDevice> device(new KIVDevice());
        device->setType(KIVDevice::TypeNetwork);
        device->setName(found.identity.nameOr(names[i]));
        device->setIPAddress(targets[i].address);
        device->setPortName(names[i]);
        device->setTcpPort(targets[i].port);
        device->setHardwareIds(found.identity.identifiersText());
        // Whether a queue of the package's driver prints to this port is for
        // the engine to say; a silent printer may still be one of its own.
        const auto drivers = queueDrivers.find(upperAscii(names[i]));
        if (drivers != queueDrivers.end()) {
            std::wstring joined;
            for (const std::wstring& driver : drivers->second)
                joined += driver + L"|";
            device->setQueueDrivers(joined);
        }
        list.push_back(device.release());
    }
}

void KIVComm::appendUsbPrinters(const std::vector<UsbPrinterPath>& printers, KIVDeviceArray& list,
                                MethodTrace& trace) {
    trace.message(L"USB printing interfaces=", static_cast<uint32_t>(printers.size()));
    // Names Windows gave; a printer without one is numbered past them, so
    // that no two printers share a port name.
    std::set<std::wstring> portsTaken;
    for (const UsbPrinterPath& usb : printers)
        portsTaken.insert(usb.portName);
    for (size_t i = 0; i < printers.size(); ++i) {
        const UsbPrinterPath& usb = printers[i];
        PrinterIdentity identity;
        identity.identifiersRead = !usb.vid.empty();
        identity.vid = usb.vid;
        identity.pid = usb.pid;
        UsbTransport transport(usb.devicePath);
        std::vector<uint8_t> bytes, reply;
        parseHexCommand(VersionQueryCommand, bytes);
        const bool answered = transport.exchange(bytes, reply) == Transport::Ok;
        if (answered)
            identity.modelRead = modelFromVersionReply(reply.data(), reply.size(), identity.model);
        trace.message(L"USB ", usb.devicePath, L": ", answered ? identity.forLog() : L"no answer");
        if (!answered)
            continue;
        std::unique_ptr<KIVDevice> device(new KIVDevice());
        device->setType(KIVDevice::TypeUsb);
        // Its place among the interfaces only where the driver keeps no port
        // name for it.
        std::wstring port = usb.portName;
        if (port.empty()) {
            uint32_t number = static_cast<uint32_t>(i + 1);
            do
                port = usbPortName(L"USB", number++);
            while (portsTaken.count(port));
            portsTaken.insert(port);
        }
        device->setName(identity.nameOr(port));
        device->setPortName(port);
        device->setUsbDevicePath(usb.devicePath);
        device->setHardwareIds(usb.vid + L":" + usb.pid);
        list.push_back(device.release());
    }
}
