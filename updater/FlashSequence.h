// The pieces of the flash script in config.ini and the progress formula.
#pragma once

#include <cstdint>
#include <string>

namespace FlashSequence {

enum StepType { StepOther, StepFiles, StepExec, StepCmds };

// The key name without its first two characters ("1.Files" is a Files step).
StepType stepTypeOf(const std::wstring& key);

// "name:seconds" (Files) and "action:seconds" (Exec). A missing or
// non-numeric seconds field means 0.
struct TimedItem {
    std::wstring name;
    int32_t seconds;
};
TimedItem parseTimedItem(const std::wstring& item);

// "command:expected:seconds": the command ends at the first ":", the seconds
// start after the last one, and the expected reply is what lies between, so
// the expected field may itself hold ":". Command and expected are upper-cased.
struct CmdItem {
    std::wstring command;
    std::wstring expected;
    int32_t seconds;
};
CmdItem parseCmdItem(const std::wstring& item);

// "POR_ALERT" and "POR_NOALERT" wait for the printer to reset.
bool isResetAction(const std::wstring& action);

// An empty expectation or "POR" accepts any reply, including none.
bool acceptsAnyReply(const std::wstring& expected);

// The reply, as hex text, must occur inside the expected text, so one field
// can list several acceptable replies; it must start on a byte of it, counted
// from the start of its run of hex digits, so that reply 50 does not pass
// against A500.
bool replyAccepted(const std::wstring& expected, const std::wstring& replyHex);

// Non-empty pairs of hexadecimal digits: what the link sends.
bool isHexCommand(const std::wstring& command);

// What is wrong with one item of a step, or empty when it can run. Whether a
// file is in the package is the caller's question.
std::wstring itemFault(StepType type, const std::wstring& item);

// The longest wait a timer or a step of config.ini may ask for: the update
// worker is waited for without a bound of its own, so every wait of the
// flash must have one.
constexpr int32_t MaxWaitSeconds = 24 * 60 * 60;

// A timer of config.ini: a whole number from minimum to maximum. False for
// anything else, which the flash must not guess at.
bool parseTimer(const std::wstring& value, int32_t minimum, int32_t maximum, int32_t& out);

// Why a file send failed, from the link's result code.
std::wstring sendFailureText(int32_t rc);

// Ceiling of 100 * (now - start) / budget in single precision; -1 when there
// is nothing to report: a budget of 0 or less has no scale, and 100 or more is
// left to the caller. A clock that went backwards reports 0.
int progressPercent(int64_t start, int64_t now, int32_t budgetSeconds);

} // namespace FlashSequence
