// For Windows tests run by with-sim.sh: the simulator's addresses and its control
// port, found through KIV_SIM_NET and KIV_SIM_CONTROL.
#pragma once

#include <string>

// The loopback prefix the printers of this test listen on ("127.23.41"), or empty
// when the test was not started by with-sim.sh.
std::wstring simNet();
// L"<net>.<hostSuffix>", the address of one simulated printer.
std::wstring simAddress(int hostSuffix);

// One control command; the reply lines without the final "OK". False when the
// simulator cannot be reached or answered "ERR ...".
bool simCommand(const std::string& line, std::string& reply);
// The STATE text (one line per printer), empty when unreachable.
std::string simState();
// One field of one printer's STATE line: "aio", "panel", "scan", "received",
// "accepted", "resets", "fault", "away", "last", "queries", "commands",
// "discarded", or "address".
std::string simStateField(const std::string& section, const std::string& field);
bool simSet(const std::string& section, const std::string& key, const std::string& value);
bool simRestore(const std::string& section);
