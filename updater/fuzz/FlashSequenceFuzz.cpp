// A whole update of one printer through the engine, with an UpdateSequence
// section made from the input (steps of every kind, any items) and the
// printer's replies to the script's commands taken from the input as they
// are sent. Beyond running clean under the sanitizers:
// - a script with a command that is not pairs of hexadecimal digits sends
//   nothing to the printer;
// - the commands go out in the order of the Cmds items in the file;
// - the update goes on after a command only when the command accepts any
//   reply or its reply, as hexadecimal text, lies inside the expected text;
// - a reply exactly as expected is accepted;
// - the result is one of the engine's update results.
#include "CIniReader.h"
#include "EngineFakes.h"
#include "FlashSequence.h"
#include "FuzzInput.h"
#include "ISDUpdater.h"
#include "KIVOptions.h"
#include "TestSupport.h"

#include <cwctype>
#include <memory>

namespace {

const wchar_t* const StepNames[] = {L"Files", L"Exec", L"Cmds", L"Pause"};

// Waits that the script asks for end after a bounded number of pauses, so
// that an item of two billion seconds costs no more than one of ten.
class FuzzClock : public FakeClock {
public:
    void sleepMs(uint32_t milliseconds) override {
        FakeClock::sleepMs(milliseconds);
        if (++pauses_ > 200)
            ms += int64_t(1) << 45;
    }

private:
    int pauses_ = 0;
};

// The printer of the fake link, whose replies to the script's commands come
// from the input.
class FuzzedLink : public FakeComTarget {
public:
    FuzzedLink(FakeClock& clock, FuzzedDataProvider& in) : FakeComTarget(clock), in_(in) {}
    std::vector<Bytes> replies; // one per raw command, in order

    int32_t sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                    uint32_t* length, int32_t flag) override {
        Bytes bytes = in_.ConsumeBytes<unsigned char>(in_.ConsumeIntegralInRange<size_t>(0, 8));
        replies.push_back(bytes);
        printer(device->getName()).script[command].push_back(bytes);
        return FakeComTarget::sendRaw(device, command, reply, length, flag);
    }

private:
    FuzzedDataProvider& in_;
};

struct Package {
    TempFolder folder;
    Package() {
        createFolder(folder.path() + L"pkg");
        writeFileBytes(folder.path() + L"pkg\\flash.fls", "KIVFLS01");
    }
    std::wstring config() const { return folder.path() + L"config.ini"; }
};

std::string latin1(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += static_cast<char>(c);
    return out;
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

bool hexPairs(const std::wstring& text) {
    if (text.empty() || text.size() % 2 != 0)
        return false;
    for (wchar_t c : text) {
        if (!std::iswxdigit(c))
            return false;
    }
    return true;
}

std::wstring hexOf(const Bytes& bytes) {
    static const wchar_t Digits[] = L"0123456789ABCDEF";
    std::wstring out;
    for (unsigned char b : bytes) {
        out += Digits[b >> 4];
        out += Digits[b & 0xF];
    }
    return out;
}

// The Cmds items as the configuration reader gives them, in file order.
std::vector<FlashSequence::CmdItem> cmdItems(const std::wstring& path) {
    std::vector<FlashSequence::CmdItem> items;
    CIniReader ini;
    ini.setINIFileName(path);
    const std::vector<std::wstring> keys = ini.getSectionKeys(L"UpdateSequence");
    for (const std::wstring& key : keys) {
        if (FlashSequence::stepTypeOf(key) != FlashSequence::StepCmds)
            continue;
        for (const std::wstring& value : ini.getKeyValue(key)) {
            size_t first = value.find_first_not_of(L" \t");
            size_t last = value.find_last_not_of(L" \t");
            std::wstring item = first == std::wstring::npos ? std::wstring()
                                                            : value.substr(first, last - first + 1);
            items.push_back(FlashSequence::parseCmdItem(item));
        }
    }
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Package package;
    FuzzedDataProvider in(data, size);

    std::string text = "[Versions]\r\nFirmwareVersion1=K206_G082511_00\r\n"
                       "[Verifications]\r\nCheckSpr=FALSE\r\n"
                       "[Timers]\r\nFlashTimeout=10\r\nBootTimeout=0\r\nRetryTimeout=0\r\n"
                       "Retries=0\r\n[UpdateSequence]\r\n";
    const int steps = in.ConsumeIntegralInRange<int>(1, 5);
    for (int step = 1; step <= steps; ++step) {
        const wchar_t* name = StepNames[in.ConsumeIntegralInRange<int>(0, 3)];
        std::wstring value;
        for (wchar_t c : byteText(in, 80)) {
            if (c != L'\r' && c != L'\n' && c != L'\0')
                value += c;
        }
        text += std::to_string(step) + "." + latin1(name) + "=" + latin1(value) + "\r\n";
    }
    writeFileBytes(package.config(), text);

    FuzzClock clock;
    FuzzedLink* link = new FuzzedLink(clock, in);
    ISDUpdater engine(link, clock);
    KIVOptions options;
    options.getRsrcMgr().setDirectories(package.folder.path() + L"pkg\\", package.folder.path());
    options.setCfgIniPath(package.config());
    KIVDevice device;
    device.setName(L"P1");
    device.setType(KIVDevice::TypeUsb);
    options.addDeviceToList(device);

    const int32_t rc = engine.update(&options, 0, nullptr, false);
    FUZZ_CHECK(rc == IUpdater::UpdateOk || rc == IUpdater::UpdateFailed ||
               rc == IUpdater::UpdateRevisionMismatch || rc == IUpdater::UpdateUnreachable);

    const std::vector<FlashSequence::CmdItem> items = cmdItems(package.config());
    bool allHex = true;
    for (const FlashSequence::CmdItem& item : items)
        allHex = allHex && hexPairs(item.command);
    size_t raw = 0;
    for (size_t call = 0; call < link->calls.size(); ++call) {
        const std::wstring& made = link->calls[call];
        const bool sent = made.compare(0, 4, L"raw:") == 0;
        FUZZ_CHECK(allHex || (!sent && made.compare(0, 5, L"file:") != 0));
        if (!sent)
            continue;
        FUZZ_CHECK(raw < items.size());
        const FlashSequence::CmdItem& item = items[raw];
        FUZZ_CHECK(made.substr(4) == upper(item.command));
        const std::wstring reply = hexOf(link->replies[raw]);
        const std::wstring expected = upper(item.expected);
        const bool wentOn = call + 1 < link->calls.size();
        const bool anyReply = expected.empty() || expected == L"POR";
        if (wentOn && !anyReply)
            FUZZ_CHECK(!reply.empty() && expected.find(reply) != std::wstring::npos);
        if (!anyReply && reply == expected)
            FUZZ_CHECK(wentOn);
        ++raw;
    }
    return 0;
}
