#include "ConsoleOutput.h"

#include "ConsoleLine.h"

#include <cstdio>
#include <ostream>

ConsoleOutput::ConsoleOutput(std::wostream& out, bool interactive)
    : out_(out), interactive_(interactive), open_(false), lastTenth_(-1), lastWidth_(0) {}

std::wstring ConsoleOutput::progressText(int percent, const std::wstring& phase) {
    wchar_t buf[16];
    std::swprintf(buf, sizeof buf / sizeof buf[0], L"  [%3d%%] ", percent);
    return buf + phase;
}

void ConsoleOutput::line(const std::wstring& text) {
    endProgress();
    writeTolerantLine(out_, text);
}

void ConsoleOutput::progress(int percent, const std::wstring& phase) {
    const std::wstring text = progressText(percent, phase);
    if (interactive_) {
        // Blank out the rest of a longer earlier text (a longer phase name).
        std::wstring padded = text;
        if (padded.size() < lastWidth_)
            padded.append(lastWidth_ - padded.size(), L' ');
        out_ << L'\r' << padded << std::flush;
        lastWidth_ = text.size();
        open_ = true;
        return;
    }
    const int tenth = percent / 10;
    if (tenth == lastTenth_ && phase == lastPhase_)
        return;
    lastTenth_ = tenth;
    lastPhase_ = phase;
    out_ << text << std::endl;
}

void ConsoleOutput::endProgress() {
    if (open_)
        out_ << std::endl;
    open_ = false;
    lastTenth_ = -1;
    lastPhase_.clear();
    lastWidth_ = 0;
}
