#include "SimConfig.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <set>
#include <sstream>

namespace {

const char* const kFaultNames[] = {"none",      "busy",     "silent",   "garbage",
                                   "truncated", "slowscan", "noreset",  "keepversion",
                                   "dropfile",  "cutframe", "pausefile"};

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool parseHex16(const std::string& text, uint16_t& out) {
    std::vector<uint8_t> b;
    if (text.size() != 4 || !fromHex(text, b))
        return false;
    out = uint16_t(b[0] << 8 | b[1]);
    return true;
}

// The version reply is split at blanks by the reader, so a blank inside the AIO
// or flash-scan text would shift every later token.
bool isToken(const std::string& s, int blanksAllowed) {
    int blanks = 0;
    for (unsigned char c : s) {
        if (c == ' ')
            ++blanks;
        else if (c <= 0x20 || c >= 0x7F)
            return false;
    }
    if (blanks > blanksAllowed || s.size() > 32)
        return false;
    return s.empty() || (s.front() != ' ' && s.back() != ' ');
}

bool parseSeconds(const std::string& text, double& out) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !(v >= 0) || v > 3600)
        return false;
    out = v;
    return true;
}

bool parseFlag(const std::string& text, bool& out) {
    if (text != "0" && text != "1")
        return false;
    out = text == "1";
    return true;
}

bool setVersion(std::string& field, const std::string& value, int blanks, std::string& error) {
    if (!isToken(value, blanks)) {
        error = "bad version text: " + value;
        return false;
    }
    field = value;
    return true;
}

bool setCmd(PrinterConfig& cfg, const std::string& hex, const std::string& value,
            std::string& error) {
    std::vector<uint8_t> cmd, reply;
    if (hex.empty() || !fromHex(hex, cmd) || !fromHex(value, reply)) {
        error = "Cmd keys and values are hexadecimal byte pairs";
        return false;
    }
    if (reply.empty())
        cfg.cmds.erase(cmd);
    else
        cfg.cmds[cmd] = reply;
    return true;
}

// The model goes into a 16-byte field of the firmware file header.
bool setModel(PrinterConfig& cfg, const std::string& value) {
    if (value.empty() || value.size() > 16 || !isToken(value, 0))
        return false;
    cfg.model = value;
    return true;
}

bool setAddress(PrinterConfig& cfg, const std::string& value, std::string& error) {
    in_addr a{};
    if (inet_pton(AF_INET, value.c_str(), &a) != 1) {
        error = "bad Address: " + value;
        return false;
    }
    cfg.address = value;
    return true;
}

bool setPort(PrinterConfig& cfg, const std::string& value, std::string& error) {
    char* end = nullptr;
    long v = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != 0 || v < 1 || v > 65535) {
        error = "bad Port: " + value;
        return false;
    }
    cfg.port = uint16_t(v);
    return true;
}

} // namespace

const char* toString(Fault fault) {
    return kFaultNames[int(fault)];
}

bool parseFault(const std::string& text, Fault& out) {
    std::string t = lower(trim(text));
    if (t.empty())
        t = "none";
    for (size_t i = 0; i < sizeof kFaultNames / sizeof kFaultNames[0]; ++i)
        if (t == kFaultNames[i]) {
            out = Fault(i);
            return true;
        }
    return false;
}

bool setKey(PrinterConfig& cfg, const std::string& key, const std::string& value, bool initial,
            std::string& error) {
    std::string k = lower(key);
    if (k.rfind("cmd.", 0) == 0)
        return setCmd(cfg, key.substr(4), value, error);
    if (k == "address" || k == "port") {
        if (!initial) {
            error = key + " cannot change while running";
            return false;
        }
        return k == "address" ? setAddress(cfg, value, error) : setPort(cfg, value, error);
    }
    bool ok = true;
    if (k == "model")
        ok = setModel(cfg, value);
    else if (k == "vid")
        ok = parseHex16(value, cfg.vid);
    else if (k == "pid")
        ok = parseHex16(value, cfg.pid);
    else if (k == "aioversion")
        return setVersion(cfg.aioVersion, value, 0, error);
    else if (k == "panelversion")
        return setVersion(cfg.panelVersion, value, 1, error);
    else if (k == "flashscanversion")
        return setVersion(cfg.scanVersion, value, 0, error);
    else if (k == "resetseconds")
        ok = parseSeconds(value, cfg.resetSeconds);
    else if (k == "replyseconds")
        ok = parseSeconds(value, cfg.replySeconds);
    else if (k == "pauseseconds")
        ok = parseSeconds(value, cfg.pauseSeconds);
    else if (k == "keepopen")
        ok = parseFlag(value, cfg.keepOpen);
    else if (k == "offline")
        ok = parseFlag(value, cfg.offline);
    else if (k == "fault")
        ok = parseFault(value, cfg.fault);
    else {
        error = "unknown key: " + key;
        return false;
    }
    if (!ok)
        error = "bad value for " + key + ": " + value;
    return ok;
}

bool parseConfig(const std::string& text, std::vector<PrinterConfig>& out, std::string& error) {
    std::istringstream in(text);
    std::string line;
    std::vector<PrinterConfig> printers;
    std::set<std::string> names;
    for (int n = 1; std::getline(in, line); ++n) {
        line = trim(line);
        std::string where = "line " + std::to_string(n) + ": ";
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            std::string name = trim(line.substr(1, line.find(']') - 1));
            if (line.back() != ']' || name.empty() || name.find(' ') != std::string::npos ||
                !names.insert(name).second) {
                error = where + "bad or repeated section";
                return false;
            }
            printers.emplace_back();
            printers.back().section = name;
            continue;
        }
        size_t eq = line.find('=');
        if (printers.empty() || eq == std::string::npos) {
            error = where + "expected key=value inside a section";
            return false;
        }
        if (!setKey(printers.back(), trim(line.substr(0, eq)), trim(line.substr(eq + 1)), true,
                    error)) {
            error = where + error;
            return false;
        }
    }
    for (const auto& p : printers)
        if (p.address.empty()) {
            error = "section " + p.section + " has no Address";
            return false;
        }
    if (printers.empty()) {
        error = "no printer sections";
        return false;
    }
    out = printers;
    return true;
}

std::string toHex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

bool fromHex(const std::string& text, std::vector<uint8_t>& out) {
    auto nibble = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2)
        return false;
    std::vector<uint8_t> b;
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        b.push_back(uint8_t(hi << 4 | lo));
    }
    out = b;
    return true;
}
