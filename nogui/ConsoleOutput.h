// The human side of the console: plain lines, and progress lines that are
// redrawn in place on a console window. When the output goes to a file or a
// pipe (an installer's log), a progress line is written only when the phase
// changes or another tenth of the way is done, so the log stays readable.
//
// One printer at a time shows one unlabelled progress line. With several
// printers in flight (labelled mode) each has a line of its own, labelled
// with the printer: on a console they form a block below the plain lines
// that is redrawn in place, which needs a way to move the cursor up; without
// one, labelled progress is written as plain lines.
//
// Every operation may be called from any thread; each line comes out whole.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class ConsoleOutput {
public:
    // Moves the cursor up by this many lines, to the start of the line. It is
    // called with the stream flushed.
    typedef std::function<void(size_t lines)> CursorUp;

    // columns: the console's width; a progress line of the block is cut to
    // fit, since a line that wraps would throw off the redraw. 0: no limit.
    ConsoleOutput(std::wostream& out, bool interactive, CursorUp cursorUp = CursorUp(),
                  size_t columns = 0);

    // Ends an open progress line first (the block stays below the line).
    void line(const std::wstring& text);
    // Runs a writer of whole lines of another object on the same stream, with
    // the progress lines out of its way.
    void above(const std::function<void()>& writeLines);
    // Labelled mode: progress of the printer `key`, shown with `label`.
    void setLabelled(bool labelled);
    void progress(int percent, const std::wstring& phase) { progress(0, L"", percent, phase); }
    void progress(size_t key, const std::wstring& label, int percent, const std::wstring& phase);
    void endProgress() { endProgress(0); }
    // The printer's update is over: its line leaves the block.
    void endProgress(size_t key);

    std::wostream& stream() { return out_; }

    static std::wstring progressText(int percent, const std::wstring& phase);

private:
    struct Task {
        std::wstring text;
        int lastTenth = -1;
        std::wstring lastPhase;
    };

    bool blockMode() const { return labelled_ && interactive_ && cursorUp_; }
    void endSingleLine();
    // Rewrites the block in place, with `permanent` (if any) written above
    // it for good.
    void repaint(const std::wstring* permanent);
    // Writes rows over the block's screen lines; the first stays for good
    // when firstIsPermanent, the others form the block.
    void paint(const std::vector<std::wstring>& rows, bool firstIsPermanent);

    std::mutex lock_;
    std::wostream& out_;
    bool interactive_;
    CursorUp cursorUp_;
    size_t columns_;
    bool labelled_;
    // Unlabelled mode: the one line, open while redrawn in place.
    bool open_;
    size_t lastWidth_;
    Task single_;
    // Labelled mode: printers in flight, in the order they started, and the
    // widths of the block's lines on the screen now.
    std::map<size_t, Task> tasks_;
    std::vector<size_t> order_;
    std::vector<size_t> rowWidths_;
};
