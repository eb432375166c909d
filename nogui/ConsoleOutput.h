// The human side of the console: plain lines, and one progress line that is
// redrawn in place on a console window. When the output goes to a file or a
// pipe (an installer's log), a progress line is written only when the phase
// changes or another tenth of the way is done, so the log stays readable.
#pragma once

#include <iosfwd>
#include <string>

class ConsoleOutput {
public:
    ConsoleOutput(std::wostream& out, bool interactive);

    // Ends an open progress line first.
    void line(const std::wstring& text);
    void progress(int percent, const std::wstring& phase);
    void endProgress();

    std::wostream& stream() { return out_; }

    static std::wstring progressText(int percent, const std::wstring& phase);

private:
    std::wostream& out_;
    bool interactive_;
    bool open_;
    int lastTenth_;
    std::wstring lastPhase_;
    size_t lastWidth_;
};
