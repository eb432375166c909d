#include "FlashSequence.h"

#include "EngineText.h"
#include "IniValueSplit.h"
#include "TextCase.h"

#include <cmath>

namespace FlashSequence {

namespace {

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

// Empty (no wait) or decimal digits.
bool isSecondsField(const std::wstring& text) {
    std::wstring field = trimBlanks(text);
    for (wchar_t c : field) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

} // namespace

StepType stepTypeOf(const std::wstring& key) {
    if (key.size() < 2)
        return StepOther;
    std::wstring type = key.substr(2);
    if (type == L"Files")
        return StepFiles;
    if (type == L"Exec")
        return StepExec;
    if (type == L"Cmds")
        return StepCmds;
    return StepOther;
}

TimedItem parseTimedItem(const std::wstring& item) {
    size_t colon = item.find(L':');
    if (colon == std::wstring::npos)
        return TimedItem{trimBlanks(item), 0};
    std::wstring rest = item.substr(colon + 1);
    return TimedItem{trimBlanks(item.substr(0, colon)),
                     EngineText::leadingInt(EngineText::before(rest, L':'))};
}

CmdItem parseCmdItem(const std::wstring& item) {
    size_t first = item.find(L':');
    if (first == std::wstring::npos)
        return CmdItem{upperAscii(trimBlanks(item)), std::wstring(), 0};
    size_t last = item.rfind(L':');
    CmdItem cmd;
    cmd.command = upperAscii(trimBlanks(item.substr(0, first)));
    cmd.expected = last > first ? upperAscii(trimBlanks(item.substr(first + 1, last - first - 1)))
                                : std::wstring();
    cmd.seconds = EngineText::leadingInt(item.substr(last + 1));
    return cmd;
}

bool isResetAction(const std::wstring& action) {
    return action == L"POR_ALERT" || action == L"POR_NOALERT";
}

bool acceptsAnyReply(const std::wstring& expected) {
    return expected.empty() || expected == L"POR";
}

bool replyAccepted(const std::wstring& expected, const std::wstring& replyHex) {
    if (replyHex.empty())
        return false;
    for (size_t at = expected.find(replyHex); at != std::wstring::npos;
         at = expected.find(replyHex, at + 1)) {
        size_t runStart = at;
        while (runStart > 0 && isHexDigit(expected[runStart - 1]))
            --runStart;
        if ((at - runStart) % 2 == 0)
            return true;
    }
    return false;
}

bool isHexCommand(const std::wstring& command) {
    if (command.empty() || command.size() % 2 != 0)
        return false;
    for (wchar_t c : command) {
        if (!isHexDigit(c))
            return false;
    }
    return true;
}

std::wstring itemFault(StepType type, const std::wstring& item) {
    size_t first = item.find(L':');
    std::wstring seconds = first == std::wstring::npos ? std::wstring() : item.substr(first + 1);
    switch (type) {
    case StepFiles:
        if (parseTimedItem(item).name.empty())
            return L"no file name";
        break;
    case StepExec:
        if (!isResetAction(parseTimedItem(item).name))
            return L"unknown action";
        break;
    case StepCmds:
        if (!isHexCommand(parseCmdItem(item).command))
            return L"the command is not pairs of hexadecimal digits";
        seconds = first == std::wstring::npos ? std::wstring() : item.substr(item.rfind(L':') + 1);
        break;
    default:
        return L"unknown step type";
    }
    if (!isSecondsField(seconds))
        return L"the seconds are not a whole number";
    if (EngineText::leadingInt(seconds) > MaxWaitSeconds)
        return L"the wait is longer than a day";
    return std::wstring();
}

bool parseTimer(const std::wstring& value, int32_t minimum, int32_t maximum, int32_t& out) {
    std::wstring text = trimBlanks(value);
    if (text.empty() || !isSecondsField(text))
        return false;
    out = EngineText::leadingInt(text);
    return out >= minimum && out <= maximum;
}

std::wstring sendFailureText(int32_t rc) {
    // The link's result codes (KIVComm.h).
    switch (rc) {
    case 1:
        return L"the printer could not be reached";
    case 2:
        return L"the printer did not take the whole file";
    case 3:
        return L"the printer did not answer";
    case 4:
        return L"the file could not be read";
    default:
        return L"the link refused the send";
    }
}

int progressPercent(int64_t start, int64_t now, int32_t budgetSeconds) {
    if (budgetSeconds <= 0)
        return -1;
    float elapsed = static_cast<float>(now - start);
    float percent = std::ceil(100.0f * elapsed / static_cast<float>(budgetSeconds));
    if (percent < 0.0f)
        return 0;
    if (percent >= 100.0f)
        return -1;
    return static_cast<int>(percent);
}

} // namespace FlashSequence
