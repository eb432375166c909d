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

// The reply, as hex text, must occur somewhere inside the expected text, so
// one field can list several acceptable replies.
bool replyAccepted(const std::wstring& expected, const std::wstring& replyHex);

// Ceiling of 100 * (now - start) / budget in single precision; -1 when there
// is nothing to report: a budget of 0 or less has no scale, and 100 or more is
// left to the caller. A clock that went backwards reports 0.
int progressPercent(int64_t start, int64_t now, int32_t budgetSeconds);

} // namespace FlashSequence
