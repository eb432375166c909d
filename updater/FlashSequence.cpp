#include "FlashSequence.h"

#include "EngineText.h"

#include <cmath>

namespace FlashSequence {

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
        return TimedItem{item, 0};
    std::wstring rest = item.substr(colon + 1);
    return TimedItem{item.substr(0, colon), EngineText::leadingInt(EngineText::before(rest, L':'))};
}

CmdItem parseCmdItem(const std::wstring& item) {
    size_t first = item.find(L':');
    if (first == std::wstring::npos)
        return CmdItem{EngineText::upperAscii(item), std::wstring(), 0};
    size_t last = item.rfind(L':');
    CmdItem cmd;
    cmd.command = EngineText::upperAscii(item.substr(0, first));
    cmd.expected = last > first ? EngineText::upperAscii(item.substr(first + 1, last - first - 1))
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
    return expected.find(replyHex) != std::wstring::npos;
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
