// One simulated printer's settings, as read from the simulator's INI file and
// changed at run time through the control port.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class Fault {
    None,
    Busy,
    Silent,
    Garbage,
    Truncated,
    SlowScan,
    NoReset,
    KeepVersion,
    DropFile,
    CutFrame,
    PauseFile // last: the tests walk the names up to it
};

const char* toString(Fault fault);
bool parseFault(const std::string& text, Fault& out);

struct PrinterConfig {
    std::string section;
    std::string address; // dotted IPv4
    uint16_t port = 9100;
    std::string model = "K206";
    uint16_t vid = 0x7B1E;
    uint16_t pid = 0x31C7;
    std::string aioVersion = "K206_G010111_00";
    std::string panelVersion; // token 5, optionally a blank and token 6 of the version reply
    std::string scanVersion;
    double resetSeconds = 3;
    // A printer that answers late: seconds between the end of a command and
    // the first byte of its reply.
    double replySeconds = 0;
    // Fault pausefile: how long the printer stops reading in the middle of a
    // file.
    double pauseSeconds = 8;
    // A printer that keeps its side of the connection open after its reply
    // or after a file, until the sender closes (or a minute has passed).
    bool keepOpen = false;
    // A printer switched off: nothing listens on its address, so connections
    // are refused, until it is switched on again.
    bool offline = false;
    Fault fault = Fault::None;
    // Replies to the raw commands of an update sequence, both as bytes; the key is
    // the command.
    std::map<std::vector<uint8_t>, std::vector<uint8_t>> cmds;
};

// Changes one key; false with a reason for an unknown key or a bad value. Address
// and Port are only accepted while the printer is not running (initial).
bool setKey(PrinterConfig& cfg, const std::string& key, const std::string& value, bool initial,
            std::string& error);

// Parses the whole INI text; every section is a printer and needs an Address.
bool parseConfig(const std::string& text, std::vector<PrinterConfig>& out, std::string& error);

std::string toHex(const std::vector<uint8_t>& bytes);
bool fromHex(const std::string& text, std::vector<uint8_t>& out);
