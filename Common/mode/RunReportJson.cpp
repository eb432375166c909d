// The report's rendering, apart from the record keeping so that the modes'
// libraries, which only add records, do not carry the JSON library's code.
#include "KIVDevice.h"
#include "RunReport.h"
#include "StatusMessenger.h"
#include "TextConvert.h"

#include <nlohmann/json.hpp>

namespace {

// Keys in the order written here: a report is also read by people.
using Json = nlohmann::ordered_json;

// A text that is not known is null, never "", so that a script can tell
// "not read" from a value.
Json textOrNull(const std::wstring& text) {
    return text.empty() ? Json(nullptr) : Json(toUtf8(text));
}

const char* outcomeName(RunReport::Outcome outcome) {
    static const char* const names[] = {"updated",     "up-to-date",   "update-due", "failed",
                                        "unreachable", "incompatible", "not-found"};
    static_assert(sizeof(names) / sizeof(names[0]) == RunReport::NotFound + 1,
                  "a name for every outcome");
    const auto index = static_cast<size_t>(outcome);
    return index < sizeof(names) / sizeof(names[0]) ? names[index] : "failed";
}

const char* typeName(int32_t type) {
    static const struct {
        int32_t type;
        const char* name;
    } names[] = {{KIVDevice::TypeIpAddress, "address"},
                 {KIVDevice::TypeNetwork, "network"},
                 {KIVDevice::TypeUsb, "usb"}};
    for (const auto& entry : names) {
        if (entry.type == type)
            return entry.name;
    }
    return "unknown";
}

Json printerJson(const RunReport::Printer& p) {
    Json j;
    j["name"] = toUtf8(p.name);
    j["address"] = textOrNull(p.address);
    j["port"] = textOrNull(p.port);
    j["type"] = typeName(p.type);
    j["firmwareBefore"] = textOrNull(p.firmwareBefore);
    j["firmwareAfter"] = textOrNull(p.firmwareAfter);
    j["outcome"] = outcomeName(p.outcome);
    // The result line of a success names no error code.
    j["errorCode"] = textOrNull(StatusMessenger::errorName(p.errorCode));
    j["seconds"] = static_cast<double>(static_cast<int64_t>(p.seconds * 10 + 0.5)) / 10;
    return j;
}

} // namespace

std::string RunReport::toJson() const {
    Json j;
    j["reportFormat"] = 1;
    j["programVersion"] = toUtf8(programVersion_);
    j["packageVersion"] = textOrNull(packageVersion_);
    j["mode"] = mode_;
    j["checkOnly"] = checkOnly_;
    j["start"] = isoUtc(start_);
    j["end"] = isoUtc(end_);
    j["exitCode"] = exitCode_;
    j["exitMeaning"] = toUtf8(exitMeaning_);
    Json list = Json::array();
    for (const Printer& p : printers())
        list.push_back(printerJson(p));
    j["printers"] = list;
    return j.dump(2) + "\n";
}
