#include "KIVComm.h"

#include "CIniReader.h"
#include "CommTimeouts.h"
#include "DeviceAddress.h"
#include "HexCommand.h"
#include "KIVOptions.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "PrinterReplies.h"
#include "SpoolerPorts.h"
#include "TcpTransport.h"
#include "UsbPrinters.h"
#include "UsbTransport.h"
#include "WindowsSupport.h"

#include <cstdio>

namespace {
// This library logs through a logger of its own (every module has one); it
// lives while any communication object does.
std::mutex g_loggerLock;
int g_loggerUsers = 0;
BasicLogger* g_logger = nullptr;

void acquireLogger() {
    std::lock_guard<std::mutex> guard(g_loggerLock);
    if (g_loggerUsers++ == 0) {
        try {
            g_logger = makeBasicLogger();
        } catch (...) {
            g_logger = nullptr;
        }
    }
}

void releaseLogger() {
    std::lock_guard<std::mutex> guard(g_loggerLock);
    if (--g_loggerUsers == 0) {
        delete g_logger;
        g_logger = nullptr;
    }
}

// Long replies (a file's worth of raw bytes) would flood the log.
std::wstring replyForLog(const std::vector<uint8_t>& reply) {
    const size_t shown = 64;
    std::wstring text = toHexText(reply.data(), reply.size() < shown ? reply.size() : shown);
    if (reply.size() > shown)
        text += L"...";
    return text;
}

const wchar_t* verdictText(PackageIdentity::Verdict verdict) {
    switch (verdict) {
    case PackageIdentity::Match:
        return L"match";
    case PackageIdentity::WrongVendor:
        return L"vendor identifier differs";
    case PackageIdentity::WrongProduct:
        return L"product identifier not accepted";
    case PackageIdentity::WrongModel:
        return L"model differs";
    default:
        return L"identity unreadable";
    }
}

std::wstring firstValue(CIniReader& ini, const wchar_t* key) {
    const std::vector<std::wstring>& values = ini.getKeyValue(key);
    return values.empty() ? std::wstring() : values.front();
}

std::wstring usbPortName(size_t index) {
    wchar_t name[16];
    std::swprintf(name, sizeof name / sizeof name[0], L"USB%03u", static_cast<unsigned>(index));
    return name;
}
} // namespace

struct KIVComm::Probe {
    bool answered = false;
    PrinterIdentity identity;
    PackageIdentity::Verdict verdict = PackageIdentity::Unidentified;
};

KIVComm::KIVComm(KIVOptions* options) : options_(options) {
    acquireLogger();
    MethodTrace trace(LogCommInterface, L"KIVComm::KIVComm(): ");
}

KIVComm::~KIVComm() {
    { MethodTrace trace(LogCommInterface, L"KIVComm::~KIVComm(): "); }
    releaseLogger();
}

std::unique_ptr<Transport> KIVComm::transportFor(const KIVDevice& device) {
    if (device.getType() == KIVDevice::TypeUsb)
        return std::unique_ptr<Transport>(new UsbTransport(device.getExtra1()));
    int32_t port = device.getNumber();
    if (port <= 0 || port > 65535)
        port = DefaultPrinterPort;
    return std::unique_ptr<Transport>(
        new TcpTransport(device.getIPAddress(), static_cast<uint16_t>(port)));
}

std::vector<uint8_t>& KIVComm::replyBuffer() {
    std::lock_guard<std::mutex> guard(buffersLock_);
    // Map nodes never move, and only the owning thread touches its vector.
    return replyBuffers_[::GetCurrentThreadId()];
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
    return exchange(L"KIVComm::sendPacket(): ", device, command, reply, length);
}

int32_t KIVComm::sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                         uint32_t* length, int32_t /*flag*/) {
    return exchange(L"KIVComm::sendRaw(): ", device, command, reply, length);
}

int32_t KIVComm::exchange(const wchar_t* traceName, KIVDevice* device, const wchar_t* command,
                          unsigned char** reply, uint32_t* length) {
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
        Transport::Result result = transport->exchange(bytes, answer);
        trace.message(L"device=", transport->describe(), L" cmd=", command, L" rc=",
                      static_cast<int32_t>(result), L" reply=", replyForLog(answer));
        buffer = answer;
        buffer.push_back(0);
        *reply = buffer.data();
        *length = static_cast<uint32_t>(answer.size());
        trace.setResult(std::to_wstring(result));
        return result;
    } catch (...) {
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
        Transport::Result result = transport->sendFile(path);
        trace.message(L"device=", transport->describe(), L" file=", path);
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

PackageIdentity KIVComm::loadPackageIdentity(MethodTrace& trace) {
    PackageIdentity package;
    std::wstring path = options_ ? options_->getConfigIniPath() : std::wstring();
    if (path.empty()) {
        trace.message(L"no config.ini; every printer that answers is listed");
        package.setVerifyIdentifiers(L"FALSE");
        package.setExactModelMatch(L"FALSE");
        return package;
    }
    CIniReader ini;
    ini.setINIFileName(path);
    package.setVerifyIdentifiers(firstValue(ini, L"VerifyPIDVID"));
    package.setExactModelMatch(firstValue(ini, L"ExactModelMatch"));
    package.setVendor(firstValue(ini, L"VID"));
    package.setProducts(ini.getKeyValue(L"PIDs"));
    package.setModel(firstValue(ini, L"ModelName"));
    return package;
}

// Asks the identifier query first: a printer with foreign identifiers is not
// asked anything else, and a silent one costs one reply time-out, not two.
KIVComm::Probe KIVComm::probe(Transport& transport, const PackageIdentity& package) {
    Probe result;
    if (!transport.isReady())
        return result;
    result.answered = true;
    std::vector<uint8_t> bytes, reply;
    parseHexCommand(IdentifierQueryCommand, bytes);
    if (transport.exchange(bytes, reply) == Transport::Ok)
        result.identity.identifiersRead = identifiersFromReply(
            reply.data(), reply.size(), result.identity.vid, result.identity.pid);
    result.verdict = package.checkIdentifiers(result.identity);
    if (result.verdict != PackageIdentity::Match)
        return result;
    parseHexCommand(VersionQueryCommand, bytes);
    if (transport.exchange(bytes, reply) == Transport::Ok)
        result.identity.modelRead =
            modelFromVersionReply(reply.data(), reply.size(), result.identity.model);
    result.verdict = package.checkModel(result.identity);
    return result;
}

int32_t KIVComm::enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) {
    MethodTrace trace(LogCommInterface, L"KIVComm::enumerateDevices(): ");
    if (!list)
        return BadArgument;
    try {
        PackageIdentity package = loadPackageIdentity(trace);
        if (addresses)
            enumerateAddresses(*list, *addresses, package, trace);
        enumerateSpoolerPorts(*list, addresses, package, trace);
        enumerateUsb(*list, package, trace);
        trace.message(L"devices listed=", static_cast<uint32_t>(list->size()));
    } catch (...) {
        trace.message(L"enumeration stopped by an error");
    }
    return 0;
}

void KIVComm::enumerateAddresses(KIVDeviceArray& list, IpAddressArray& addresses,
                                 const PackageIdentity& package, MethodTrace& trace) {
    // An address entered twice is asked once.
    std::map<std::wstring, int32_t> statusOf;
    for (ipAddressObject* entry : addresses) {
        if (!entry)
            continue;
        const std::wstring& address = entry->getAddress();
        auto known = statusOf.find(address);
        if (known != statusOf.end()) {
            entry->setStatus(known->second);
            continue;
        }
        TcpTransport transport(address, DefaultPrinterPort);
        Probe found = probe(transport, package);
        int32_t status = ipAddressObject::PrinterFound;
        if (!found.answered)
            status = ipAddressObject::NoPrinter;
        else if (found.verdict != PackageIdentity::Match)
            status = ipAddressObject::WrongPrinter;
        trace.message(L"address=", address, L" status=", status, L" ",
                      found.answered ? verdictText(found.verdict) : L"no answer");
        entry->setStatus(status);
        statusOf[address] = status;
        if (status != ipAddressObject::PrinterFound)
            continue;
        std::unique_ptr<KIVDevice> device(new KIVDevice());
        device->setType(KIVDevice::TypeIpAddress);
        device->setName(found.identity.model);
        device->setIPAddress(address);
        device->setNumber(DefaultPrinterPort);
        device->setExtra2(found.identity.vid + L":" + found.identity.pid);
        list.push_back(device.release());
    }
}

void KIVComm::enumerateSpoolerPorts(KIVDeviceArray& list, const IpAddressArray* addresses,
                                    const PackageIdentity& package, MethodTrace& trace) {
    for (const SpoolerPortValues& values : readSpoolerPorts()) {
        std::wstring address;
        uint16_t port = 0;
        if (!spoolerPortTarget(values, address, port)) {
            trace.message(L"port ", values.name, L" skipped: not a raw port with an address");
            continue;
        }
        bool seen = false;
        if (addresses && port == DefaultPrinterPort)
            for (const ipAddressObject* entry : *addresses)
                seen = seen || (entry && entry->getAddress() == address);
        for (const KIVDevice* device : list)
            seen = seen || (device->getType() != KIVDevice::TypeUsb &&
                            device->getIPAddress() == address && device->getNumber() == port);
        if (seen)
            continue;
        TcpTransport transport(address, port);
        Probe found = probe(transport, package);
        trace.message(L"port ", values.name, L" at ", transport.describe(), L": ",
                      found.answered ? verdictText(found.verdict) : L"no answer");
        if (!found.answered || found.verdict != PackageIdentity::Match)
            continue;
        std::unique_ptr<KIVDevice> device(new KIVDevice());
        device->setType(KIVDevice::TypeNetwork);
        device->setName(found.identity.model);
        device->setIPAddress(address);
        device->setPortName(values.name);
        device->setNumber(port);
        device->setExtra2(found.identity.vid + L":" + found.identity.pid);
        list.push_back(device.release());
    }
}

void KIVComm::enumerateUsb(KIVDeviceArray& list, const PackageIdentity& package,
                           MethodTrace& trace) {
    std::vector<UsbPrinterPath> printers = findUsbPrinters();
    trace.message(L"USB printing interfaces=", static_cast<uint32_t>(printers.size()));
    for (size_t i = 0; i < printers.size(); ++i) {
        const UsbPrinterPath& usb = printers[i];
        PrinterIdentity identity;
        identity.identifiersRead = !usb.vid.empty();
        identity.vid = usb.vid;
        identity.pid = usb.pid;
        PackageIdentity::Verdict verdict = package.checkIdentifiers(identity);
        if (verdict == PackageIdentity::Match) {
            UsbTransport transport(usb.devicePath);
            std::vector<uint8_t> bytes, reply;
            parseHexCommand(VersionQueryCommand, bytes);
            if (transport.exchange(bytes, reply) == Transport::Ok)
                identity.modelRead =
                    modelFromVersionReply(reply.data(), reply.size(), identity.model);
            verdict = package.checkModel(identity);
        }
        trace.message(L"USB ", usb.devicePath, L": ", verdictText(verdict));
        if (verdict != PackageIdentity::Match)
            continue;
        std::unique_ptr<KIVDevice> device(new KIVDevice());
        device->setType(KIVDevice::TypeUsb);
        device->setName(identity.model);
        device->setPortName(usbPortName(i + 1));
        device->setExtra1(usb.devicePath);
        device->setExtra2(usb.vid + L":" + usb.pid);
        list.push_back(device.release());
    }
}
