// The report's rendering, apart from the record keeping so that the modes'
// libraries, which only add records, do not carry the JSON library's code.
#include "KIVDevice.h"
#include "RunReport.h"
#include "StatusMessenger.h"

#include <nlohmann/json.hpp>

namespace {

// Keys in the order written here: a report is also read by people.
using Json = nlohmann::ordered_json;

// UTF-16 (Windows) or UTF-32 (the native build) to UTF-8. A lone surrogate
// becomes U+FFFD: a printer name is not worth a report that no parser takes.
std::string utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const uint32_t low = static_cast<uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A text that is not known is null, never "", so that a script can tell
// "not read" from a value.
Json textOrNull(const std::wstring& text) {
    return text.empty() ? Json(nullptr) : Json(utf8(text));
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
    j["name"] = utf8(p.name);
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
    j["programVersion"] = utf8(programVersion_);
    j["packageVersion"] = textOrNull(packageVersion_);
    j["mode"] = mode_;
    j["checkOnly"] = checkOnly_;
    j["start"] = isoUtc(start_);
    j["end"] = isoUtc(end_);
    j["exitCode"] = exitCode_;
    j["exitMeaning"] = utf8(exitMeaning_);
    Json list = Json::array();
    for (const Printer& p : printers())
        list.push_back(printerJson(p));
    j["printers"] = list;
    return j.dump(2) + "\n";
}
