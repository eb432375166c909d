// The device-communication object handed to the updater by DllGetKIVComm.
//
// Records this library makes:
//   type 1  printer at an entered address: name = model, IP address (the entry
//           without the blanks around it), number = 9100
//   type 3  printer behind a spooler TCP/IP port: name = model, IP address,
//           port name = the spooler's port name, number = its TCP port
//   type 4  USB printer: name = model, port name "USB001", "USB002", ... in the
//           order the system lists the interfaces, extra text 1 = device path
// Extra text 2 holds the identifiers the printer reported ("7B1E:31C7") for
// the log; extra text 3 and both flags stay empty. A network record whose
// number is 0 is reached on port 9100.
//
// Enumeration lists every printer that answers. What each one reported goes
// to the log; whether it fits the package is the updater's check alone.
//
// Result codes of sendPacket, sendRaw and sendFile: Transport::Result, or
// BadArgument (a null pointer) and BadCommand (command text that is not
// hexadecimal digit pairs; nothing is sent).
#pragma once

#include "IComTarget.h"
#include "LoggerLease.h"
#include "ScopedHandle.h"
#include "PrinterIdentity.h"
#include "Transport.h"
#include "UsbPrinters.h"

#include <map>
#include <memory>
#include <mutex>

class MethodTrace;

class KIVComm : public IComTarget {
public:
    // SearchIncomplete: enumerateDevices stopped part way; what it listed stays.
    enum { BadArgument = 5, BadCommand = 6, SearchIncomplete = 7 };

    explicit KIVComm(KIVOptions* options);
    ~KIVComm() override;
    KIVComm(const KIVComm&) = delete;
    KIVComm& operator=(const KIVComm&) = delete;

    bool isDeviceReady(KIVDevice* device) override;
    int32_t sendPacket(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                       uint32_t* length) override;
    // Raw and framed replies are told apart by the command's first byte;
    // flag only shortens the wait for the start of a raw reply
    // (RawAnswersAtOnce).
    int32_t sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                    uint32_t* length, int32_t flag) override;
    int32_t sendFile(KIVDevice* device, const wchar_t* path) override;
    int32_t enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) override;
    void createDeviceList(KIVDeviceArray** out) override;
    void freeDeviceList(KIVDeviceArray** list) override;
    // No meaning is defined for these; the updater passes values through.
    int32_t extension1(uint32_t value) override;
    int32_t extension2(uint32_t value) override;

    // The transport a record is reached through.
    static std::unique_ptr<Transport> transportFor(const KIVDevice& device);
    // The USB part of the enumeration once the system has listed the printing
    // interfaces: identifiers from each path, the model asked over the device.
    static void appendUsbPrinters(const std::vector<UsbPrinterPath>& printers, KIVDeviceArray& list,
                                  MethodTrace& trace);
    // Reply buffers kept now: one per thread that asked and is still running,
    // and those of ended threads not yet let go.
    size_t replyBufferCount();

private:
    int32_t exchange(const wchar_t* traceName, KIVDevice* device, const wchar_t* command,
                     unsigned char** reply, uint32_t* length, RawStart rawStart);
    std::vector<uint8_t>& replyBuffer();
    void releaseEndedThreadsBuffers();
    // The package's FlashTimeout, which bounds a file send; 0 when unusable.
    int32_t flashTimeoutSeconds();
    void enumerateAddresses(KIVDeviceArray& list, IpAddressArray& addresses, MethodTrace& trace);
    void enumerateSpoolerPorts(KIVDeviceArray& list, const IpAddressArray* addresses,
                               MethodTrace& trace);

    LoggerLease loggerLease_; // first: the last member to go
    KIVOptions* options_;
    // One reply buffer per calling thread: the wizard's workers share this
    // object, and a reply must stay valid until its own caller's next call.
    // The thread's handle keeps its id from being reused while the buffer is
    // kept; a buffer goes once its thread has ended.
    struct ThreadReply {
        ScopedKernelHandle thread;
        std::vector<uint8_t> bytes;
    };
    static constexpr size_t MinPruneAt = 16;
    std::mutex buffersLock_;
    std::map<unsigned long, ThreadReply> replyBuffers_;
    size_t pruneAt_ = MinPruneAt;
};
