// A scripted communication object on a fake clock: printers that answer,
// go away while they reset and come back with the flashed version, all in
// fake milliseconds.
#pragma once

#include "EngineClock.h"
#include "IComTarget.h"

#include <cwchar>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

class FakeClock : public EngineClock {
public:
    int64_t ms = 1700000000000LL;
    std::vector<uint32_t> sleeps;

    int64_t now() override { return ms / 1000; }
    void sleepMs(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        ms += milliseconds;
    }
    size_t sleepsOf(uint32_t milliseconds) const {
        size_t n = 0;
        for (uint32_t s : sleeps)
            n += s == milliseconds;
        return n;
    }
};

typedef std::vector<unsigned char> Bytes;

struct FakePrinter {
    std::string aio = "K206_G010111_00";
    std::string panel = "-";
    std::string panelTail = "-";
    std::string flashScan;        // empty: the printer has no flash scan part
    int flashScanSetupTries = -1; // -1: answers at once; n: after set-up and n raw tries
    uint16_t vid = 0x7B1E;
    uint16_t pid = 0x31C7;
    uint32_t identifierLength = 15;
    bool busy = false;
    bool offline = false;
    int probesToMiss = 0; // the next readiness probes that get no answer (slow ones)
    bool badHeader = false;
    // What a flashed file does: time to send it, time away, version after.
    int64_t fileMs = 4000;
    int64_t resetMs = 30000;
    bool resetsOnFile = true;
    std::string flashedAio = "K206_G082511_00";
    // A link failure code for file sends (2: the transfer was cut off half
    // way); the printer then gets no whole image and does not reset.
    int32_t fileFailure = 0;
    std::vector<std::pair<int64_t, int64_t>> away;    // [from, to) in fake ms
    std::map<std::wstring, Bytes> rawReplies;         // Cmds steps
    std::map<std::wstring, std::deque<Bytes>> script; // consumed before anything else

    // Internal state.
    int64_t pendingAt = -1;
    int flashScanTries = 0;
    bool flashScanSetUp = false;
};

class FakeComTarget : public IComTarget {
public:
    explicit FakeComTarget(FakeClock& clock) : clock_(clock) {}
    ~FakeComTarget() override {
        if (destroyed)
            ++*destroyed;
    }

    std::map<std::wstring, FakePrinter> printers;
    std::vector<std::wstring> calls; // "ready:P", "packet:CMD", "raw:CMD", "file:PATH"
    std::vector<KIVDevice> attached; // what enumerateDevices finds
    int32_t enumerateResult = 0;     // what enumerateDevices returns (7: stopped part way)
    int listsFreed = 0;
    int* destroyed = nullptr;
    // Runs after every file send, as a printer's tool might change the
    // package while the update goes on.
    std::function<void(const std::wstring& path)> afterFile;

    FakePrinter& printer(const std::wstring& name) { return printers[name]; }

    size_t count(const std::wstring& call) const {
        size_t n = 0;
        for (const std::wstring& c : calls)
            n += c == call;
        return n;
    }

    bool isDeviceReady(KIVDevice* device) override {
        calls.push_back(L"ready:" + device->getName());
        FakePrinter& p = printer(device->getName());
        if (p.probesToMiss > 0) {
            --p.probesToMiss;
            return false;
        }
        return reachable(p);
    }

    int32_t sendPacket(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                       uint32_t* length) override {
        return exchange(L"packet:", &FakeComTarget::packetReply, device, command, reply, length);
    }

    int32_t sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                    uint32_t* length, int32_t) override {
        return exchange(L"raw:", &FakeComTarget::rawReply, device, command, reply, length);
    }

    int32_t sendFile(KIVDevice* device, const wchar_t* path) override {
        calls.push_back(std::wstring(L"file:") + path);
        if (afterFile)
            afterFile(path);
        FakePrinter& p = printer(device->getName());
        if (!reachable(p))
            return 1;
        if (p.fileFailure != 0) {
            clock_.ms += p.fileMs / 2;
            return p.fileFailure;
        }
        clock_.ms += p.fileMs;
        if (p.resetsOnFile) {
            p.away.push_back({clock_.ms, clock_.ms + p.resetMs});
            p.pendingAt = clock_.ms + p.resetMs;
        }
        return 0;
    }

    // As the link lists them: a network record carries the identifiers the
    // search's own query read, none when the printer did not answer it.
    int32_t enumerateDevices(KIVDeviceArray* list, IpAddressArray*) override {
        for (const KIVDevice& d : attached) {
            KIVDevice* record = new KIVDevice(d);
            FakePrinter& p = printer(d.getName());
            if (d.getType() != KIVDevice::TypeUsb && d.getHardwareIds().empty() && reachable(p) &&
                p.identifierLength >= 15) {
                wchar_t ids[16];
                swprintf(ids, 16, L"%04X:%04X", p.vid, p.pid);
                record->setHardwareIds(ids);
            }
            list->push_back(record);
        }
        return enumerateResult;
    }
    void createDeviceList(KIVDeviceArray** out) override { *out = new KIVDeviceArray(); }
    void freeDeviceList(KIVDeviceArray** list) override {
        ++listsFreed;
        for (KIVDevice* d : **list)
            delete d;
        delete *list;
        *list = nullptr;
    }
    int32_t extension1(uint32_t value) override { return static_cast<int32_t>(value * 3 + 1); }
    int32_t extension2(uint32_t value) override { return static_cast<int32_t>(value ^ 0x5A5A); }

    static Bytes versionReply(const FakePrinter& p) {
        std::string text = " FW " + p.aio + " PNL x " + p.panel + " " + p.panelTail;
        size_t count = 4 + text.size() + 1;
        Bytes bytes = {0xA5,
                       static_cast<unsigned char>(count >> 8),
                       static_cast<unsigned char>(count & 0xFF),
                       0x50,
                       0xE0,
                       0x81,
                       0x00};
        for (char c : text)
            bytes.push_back(static_cast<unsigned char>(c));
        bytes.push_back(0);
        return bytes;
    }

private:
    bool reachable(FakePrinter& p) {
        if (p.pendingAt >= 0 && clock_.ms >= p.pendingAt) {
            p.aio = p.flashedAio;
            p.pendingAt = -1;
        }
        if (p.offline)
            return false;
        for (const auto& w : p.away) {
            if (clock_.ms >= w.first && clock_.ms < w.second)
                return false;
        }
        return true;
    }

    bool takeScripted(FakePrinter& p, const std::wstring& cmd) {
        auto it = p.script.find(cmd);
        if (it == p.script.end() || it->second.empty())
            return false;
        reply_ = it->second.front();
        it->second.pop_front();
        return true;
    }

    Bytes packetReply(FakePrinter& p, const std::wstring& cmd) {
        if (cmd == L"A5000750E08100020510") {
            Bytes r = versionReply(p);
            if (p.badHeader)
                r[3] = 0x51;
            return r;
        }
        if (cmd == L"A5000750E08100020011")
            return p.busy ? Bytes() : Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x81, 0x00};
        if (cmd == L"A5000750E08100020013") {
            Bytes r = {0xA5,
                       0x00,
                       0x0C,
                       0x50,
                       0xE0,
                       0x81,
                       0x00,
                       0x00,
                       0x00,
                       0x00,
                       0x00,
                       static_cast<unsigned char>(p.vid >> 8),
                       static_cast<unsigned char>(p.vid),
                       static_cast<unsigned char>(p.pid >> 8),
                       static_cast<unsigned char>(p.pid)};
            r.resize(p.identifierLength);
            return r;
        }
        if (cmd == L"A5000550E0820202")
            p.flashScanSetUp = true;
        return Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x82, 0x00};
    }

    Bytes rawReply(FakePrinter& p, const std::wstring& cmd) {
        if (cmd == L"1B2A730108") {
            if (p.flashScan.empty())
                return Bytes();
            if (p.flashScanSetupTries >= 0 &&
                (!p.flashScanSetUp || p.flashScanTries++ < p.flashScanSetupTries))
                return Bytes();
            Bytes r(p.flashScan.begin(), p.flashScan.end());
            r.push_back(0);
            return r;
        }
        auto it = p.rawReplies.find(cmd);
        return it == p.rawReplies.end() ? Bytes() : it->second;
    }

    using ReplyMaker = Bytes (FakeComTarget::*)(FakePrinter&, const std::wstring&);
    int32_t exchange(const wchar_t* kind, ReplyMaker make, KIVDevice* device,
                     const wchar_t* command, unsigned char** reply, uint32_t* length) {
        std::wstring cmd = command;
        calls.push_back(kind + cmd);
        FakePrinter& p = printer(device->getName());
        reply_.clear();
        bool reached = true;
        if (!takeScripted(p, cmd)) {
            reached = reachable(p);
            if (reached)
                reply_ = (this->*make)(p, cmd);
        }
        return answer(reply, length, reached);
    }

    // As the link returns: 1 when the printer could not be reached, 3 when
    // the command went out and nothing came back.
    int32_t answer(unsigned char** reply, uint32_t* length, bool reached) {
        *reply = reply_.empty() ? nullptr : reply_.data();
        *length = static_cast<uint32_t>(reply_.size());
        if (!reached)
            return 1;
        return reply_.empty() ? IComTarget::NotAnswered : IComTarget::Answered;
    }

    FakeClock& clock_;
    Bytes reply_;
};
