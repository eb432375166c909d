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
    switch (outcome) {
    case RunReport::Updated:
        return "updated";
    case RunReport::UpToDate:
        return "up-to-date";
    case RunReport::UpdateDue:
        return "update-due";
    case RunReport::Unreachable:
        return "unreachable";
    case RunReport::Incompatible:
        return "incompatible";
    case RunReport::NotFound:
        return "not-found";
    case RunReport::Failed:
    default:
        return "failed";
    }
}

const char* typeName(int32_t type) {
    switch (type) {
    case KIVDevice::TypeIpAddress:
        return "address";
    case KIVDevice::TypeNetwork:
        return "network";
    case KIVDevice::TypeUsb:
        return "usb";
    default:
        return "unknown";
    }
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
