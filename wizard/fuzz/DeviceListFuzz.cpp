// The reduced wizard (mode 3) with a "-d" list and a set of printers made
// from the input: names, port names and addresses of any text, of every
// kind, fitting the package or not. The run goes through the flow with pages
// that confirm and workers that finish at once. Beyond running clean under
// the sanitizers:
// - every printer queued for an update is named, by name, port name or
//   address, by an entry without its surrounding blanks, and no entry that
//   is blank names one;
// - no printer is queued twice, whichever entries name it, and there are
//   never more printers queued and result lines than entries (or than one,
//   for a list with no entry);
// - an entry that names only printers on spooler ports or USB that fit the
//   package queues a printer of that name;
// - the run result is one the wizard can end with.
#include "FakeUpdater.h"
#include "FuzzInput.h"
#include "../tests/InstantWorkers.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "ModeResults.h"
#include "StatusMessenger.h"
#include "UpdateOutcome.h"
#include "WizardContext.h"
#include "WizardFlow.h"

#include <algorithm>
#include <cwchar>
#include <sstream>

namespace {

class ConfirmingPages : public PageHost {
public:
    PageOutcome show(const PageRequest&, WizardContext&) override { return {PageConfirm, {}, {}}; }
};

std::wstring withoutBlanks(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool names(const std::wstring& entry, const std::wstring& name, const std::wstring& port,
           const std::wstring& ip) {
    return !entry.empty() && (entry == name || entry == port || entry == ip);
}

// Text without ":" outside an "http://" or "https://" prefix, so that no name
// can forge a result line.
std::wstring fuzzText(FuzzedDataProvider& in, size_t maxUnits) {
    std::wstring text;
    for (wchar_t c : byteText(in, maxUnits)) {
        if (c != L':')
            text += c;
    }
    for (const wchar_t* scheme : {L"http//", L"https//"}) {
        for (size_t at = text.find(scheme); at != std::wstring::npos;
             at = text.find(scheme, at + 1))
            text.insert(at + std::wcslen(scheme) - 2, L":");
    }
    return text;
}

size_t countOf(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::wstring list = fuzzText(in, 120);
    FakeUpdater engine;
    const int printers = in.ConsumeIntegralInRange<int>(0, 4);
    const int32_t types[] = {KIVDevice::TypeIpAddress, KIVDevice::TypeNetwork, KIVDevice::TypeUsb};
    for (int i = 0; i < printers; ++i) {
        FakeEnginePrinter p;
        p.name = fuzzText(in, 24);
        p.port = fuzzText(in, 24);
        p.ip = fuzzText(in, 24);
        p.type = types[in.ConsumeIntegralInRange<int>(0, 2)];
        p.compatible = in.ConsumeBool();
        p.refusedAtCheck = in.ConsumeBool();
        p.reachable = in.ConsumeBool();
        engine.printers.push_back(p);
    }
    if (list.empty())
        return 0;

    KIVOptions options;
    const wchar_t* argv[] = {L"KIV.EXE", L"-m", L"3", L"-e", L"1", L"-d", list.c_str()};
    options.parseCmdLine(7, argv);
    if (options.getAppMode() != 3)
        return 0;
    const std::vector<std::wstring> entries = options.getDeviceList();

    // The printers queued for an update, as the run ends with them.
    std::vector<KIVDevice> queued;
    std::wostringstream out;
    StatusMessenger messenger(out);
    ConfirmingPages pages;
    InstantWorkers workers(engine);
    WizardContext context(&options, &engine);
    context.packageVersion = engine.packageVersion;
    WizardFlow::Environment env{&pages,
                                &workers,
                                &engine,
                                &options,
                                &messenger,
                                3,
                                nullptr,
                                [&queued](KIVOptions* o, const std::wstring&) {
                                    queued.clear();
                                    for (uint32_t i = 0; i < o->getDevListSize(); ++i) {
                                        queued.emplace_back();
                                        o->getDeviceAt(i, queued.back());
                                    }
                                },
                                nullptr};
    MethodTrace trace(LogGUIMode, L"GuiMode::executeUpdateMode(): ");
    int32_t rc = 0;
    {
        WizardFlow flow(env, context);
        rc = flow.run(trace);
    }
    FUZZ_CHECK(rc == ResultOk || rc == ResultIncompatibleAddress || rc == ResultIncompatible ||
               rc == ResultAddressUnmatched || rc == ResultNameUnmatched ||
               rc == ResultSeveralNotUpdated || rc == ResultUpToDate || rc == ResultUnreachable);

    for (const KIVDevice& device : queued) {
        bool named = false;
        for (const std::wstring& entry : entries)
            named = named || names(withoutBlanks(entry), device.getName(), device.getPortName(),
                                   device.getIPAddress());
        FUZZ_CHECK(named);
    }
    // An entry that names a printer already queued neither queues it again
    // nor gets a line; every other entry does one of the two.
    for (size_t i = 0; i < queued.size(); ++i)
        for (size_t j = i + 1; j < queued.size(); ++j)
            FUZZ_CHECK(queued[i].getName() != queued[j].getName() ||
                       queued[i].getPortName() != queued[j].getPortName() ||
                       queued[i].getIPAddress() != queued[j].getIPAddress());
    // A list with no entry at all names no printer, which gets one line.
    FUZZ_CHECK(queued.size() + countOf(out.str(), L"Result: Failure") <=
               std::max<size_t>(entries.size(), 1));

    for (const std::wstring& raw : entries) {
        const std::wstring entry = withoutBlanks(raw);
        // Only where every printer the entry names fits is the first one
        // found sure to fit.
        bool named = false;
        bool allFit = true;
        for (const FakeEnginePrinter& p : engine.printers) {
            if (!names(entry, p.name, p.port, p.ip))
                continue;
            named = true;
            allFit = allFit && p.type != KIVDevice::TypeIpAddress && p.compatible && p.reachable &&
                     !p.refusedAtCheck;
        }
        if (!named || !allFit)
            continue;
        bool queuedOne = false;
        for (const KIVDevice& device : queued)
            queuedOne = queuedOne ||
                        names(entry, device.getName(), device.getPortName(), device.getIPAddress());
        FUZZ_CHECK(queuedOne);
    }
    return 0;
}
