#include "ConsoleOutput.h"

#include "ConsoleLine.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace {

// Whether a plain-line progress report is worth a line of its own.
template <class T> bool changedEnough(T& task, int percent, const std::wstring& phase) {
    const int tenth = percent / 10;
    if (tenth == task.lastTenth && phase == task.lastPhase)
        return false;
    task.lastTenth = tenth;
    task.lastPhase = phase;
    return true;
}

std::wstring padded(std::wstring text, size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), L' ');
    return text;
}

} // namespace

ConsoleOutput::ConsoleOutput(std::wostream& out, bool interactive, CursorUp cursorUp,
                             size_t columns)
    : out_(out), interactive_(interactive), cursorUp_(std::move(cursorUp)), columns_(columns),
      labelled_(false), open_(false), lastWidth_(0) {}

std::wstring ConsoleOutput::progressText(int percent, const std::wstring& phase) {
    wchar_t buf[16];
    std::swprintf(buf, sizeof buf / sizeof buf[0], L"  [%3d%%] ", percent);
    return buf + phase;
}

void ConsoleOutput::setLabelled(bool labelled) {
    std::lock_guard<std::mutex> guard(lock_);
    labelled_ = labelled;
}

void ConsoleOutput::line(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(lock_);
    if (blockMode() && !rowWidths_.empty()) {
        repaint(&text);
        return;
    }
    endSingleLine();
    writeTolerantLine(out_, text);
}

void ConsoleOutput::above(const std::function<void()>& writeLines) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!blockMode() || rowWidths_.empty()) {
        endSingleLine();
        writeLines();
        return;
    }
    // Blank the block, let the lines take its place, and draw it again below.
    paint(std::vector<std::wstring>(), false);
    writeLines();
    repaint(nullptr);
}

void ConsoleOutput::progress(size_t key, const std::wstring& label, int percent,
                             const std::wstring& phase) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!labelled_) {
        const std::wstring text = progressText(percent, phase);
        if (interactive_) {
            // Blank out the rest of a longer earlier text (a longer phase name).
            out_ << L'\r' << padded(text, lastWidth_) << std::flush;
            lastWidth_ = text.size();
            open_ = true;
        } else if (changedEnough(single_, percent, phase)) {
            out_ << text << std::endl;
        }
        return;
    }
    const std::wstring text = progressText(percent, label + L": " + phase);
    if (tasks_.find(key) == tasks_.end())
        order_.push_back(key);
    Task& task = tasks_[key];
    if (blockMode()) {
        if (task.text == text)
            return;
        task.text = text;
        repaint(nullptr);
    } else if (changedEnough(task, percent, phase)) {
        writeTolerantLine(out_, text);
    }
}

void ConsoleOutput::endProgress(size_t key) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!labelled_) {
        endSingleLine();
        return;
    }
    if (tasks_.erase(key) == 0)
        return;
    order_.erase(std::remove(order_.begin(), order_.end(), key), order_.end());
    if (blockMode())
        repaint(nullptr);
}

void ConsoleOutput::endSingleLine() {
    if (open_)
        out_ << std::endl;
    open_ = false;
    single_ = Task();
    lastWidth_ = 0;
}

void ConsoleOutput::repaint(const std::wstring* permanent) {
    std::vector<std::wstring> rows;
    if (permanent)
        rows.push_back(*permanent);
    for (size_t key : order_) {
        rows.push_back(tasks_[key].text);
        // The last column is left free: writing into it moves some consoles
        // to the next line.
        if (columns_ > 1 && rows.back().size() >= columns_)
            rows.back().resize(columns_ - 1);
    }
    paint(rows, permanent != nullptr);
}

void ConsoleOutput::paint(const std::vector<std::wstring>& rows, bool firstIsPermanent) {
    if (!rowWidths_.empty()) {
        out_.flush();
        cursorUp_(rowWidths_.size());
    }
    // Each new line covers what stood on its screen line before; lines left
    // over from a longer block are blanked, and the cursor goes back up so
    // that the next text follows the block directly.
    for (size_t i = 0; i < rows.size(); ++i) {
        const size_t width = i < rowWidths_.size() ? rowWidths_[i] : 0;
        writeTolerantLine(out_, padded(rows[i], width));
    }
    size_t blanked = 0;
    for (size_t i = rows.size(); i < rowWidths_.size(); ++i, ++blanked)
        out_ << std::wstring(rowWidths_[i], L' ') << L'\n';
    out_.flush();
    if (blanked > 0)
        cursorUp_(blanked);
    rowWidths_.clear();
    for (size_t i = firstIsPermanent ? 1 : 0; i < rows.size(); ++i)
        rowWidths_.push_back(rows[i].size());
}
