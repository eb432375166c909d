#include "ConsoleOutput.h"
#include "ProgressTracker.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Feeds reports at the given times; returns the phase after each.
std::vector<ProgressTracker::Phase> feed(ProgressTracker& t,
                                         const std::vector<std::pair<int, uint64_t>>& reports) {
    std::vector<ProgressTracker::Phase> phases;
    for (auto& r : reports) {
        t.report(r.first, r.second);
        phases.push_back(t.phase());
    }
    return phases;
}

TEST(ProgressTracker, PhasesFollowTheEnginesRhythm) {
    using P = ProgressTracker;
    ProgressTracker t(4);
    // Start report, a long silence while the file goes out, half-second polls
    // of the reset wait, two-second boot wait steps, then the read-back.
    auto phases = feed(t, {{0, 0},
                           {20, 6000},
                           {22, 6500},
                           {24, 7000},
                           {30, 9000},
                           {36, 11000},
                           {40, 13000},
                           {99, 13200}});
    EXPECT_EQ(phases,
              (std::vector<P::Phase>{P::Sending, P::Sending, P::Restarting, P::Restarting,
                                     P::Restarting, P::Verifying, P::Verifying, P::Verifying}));
    t.finish(true);
    EXPECT_EQ(t.phase(), P::Verified);
    EXPECT_EQ(t.percent(), 100);
}

TEST(ProgressTracker, PercentNeverGoesBackNorReaches100BeforeTheEnd) {
    ProgressTracker t(2);
    EXPECT_TRUE(t.report(40, 0));
    EXPECT_FALSE(t.report(30, 5000)) << "a lower value changes nothing shown";
    EXPECT_EQ(t.percent(), 40);
    t.report(150, 10000);
    EXPECT_EQ(t.percent(), 99);
    t.finish(false);
    EXPECT_EQ(t.percent(), 99) << "a failed update does not show 100";
    EXPECT_NE(t.phase(), ProgressTracker::Verified);
}

TEST(ProgressTracker, PhaseNeverGoesBack) {
    ProgressTracker t(0);
    feed(t, {{0, 0}, {5, 400}, {10, 3000}, {12, 3300}});
    // Slow reports after the reset wait with no boot wait: verifying, and a
    // later quick report does not bring back the reset phase.
    EXPECT_EQ(t.phase(), ProgressTracker::Verifying);
}

TEST(ConsoleOutput, ConsoleRedrawsOneLineInPlace) {
    std::wostringstream s;
    ConsoleOutput c(s, true);
    c.progress(5, L"waiting for the printer to restart");
    c.progress(6, L"verifying");
    c.line(L"done");
    const std::wstring first =
        ConsoleOutput::progressText(5, L"waiting for the printer to restart");
    const std::wstring second = ConsoleOutput::progressText(6, L"verifying");
    // The shorter second text is padded so no tail of the first remains.
    EXPECT_EQ(s.str(), L"\r" + first + L"\r" + second +
                           std::wstring(first.size() - second.size(), L' ') + L"\ndone\n");
}

TEST(ConsoleOutput, PipeGetsALineOnlyPerPhaseOrTenth) {
    std::wostringstream s;
    ConsoleOutput c(s, false);
    c.progress(1, L"sending firmware");
    c.progress(4, L"sending firmware");
    c.progress(9, L"sending firmware");
    c.progress(12, L"sending firmware");
    c.progress(13, L"verifying");
    c.endProgress();
    EXPECT_EQ(s.str(), L"  [  1%] sending firmware\n  [ 12%] sending firmware\n"
                       L"  [ 13%] verifying\n");
}

// What a console window shows after the text, '\r', '\n' and the cursor moves
// (written into the stream as one '\x01' per line up); blank lines at the
// end are dropped.
std::vector<std::wstring> screen(const std::wstring& text) {
    std::vector<std::wstring> rows(1);
    size_t row = 0, col = 0;
    for (wchar_t c : text) {
        if (c == L'\r') {
            col = 0;
        } else if (c == L'\n') {
            if (++row == rows.size())
                rows.emplace_back();
            col = 0;
        } else if (c == L'\x01') {
            row = row > 0 ? row - 1 : 0;
            col = 0;
        } else {
            std::wstring& r = rows[row];
            if (r.size() <= col)
                r.resize(col + 1, L' ');
            r[col++] = c;
        }
    }
    for (std::wstring& r : rows)
        r.erase(r.find_last_not_of(L' ') + 1);
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return rows;
}

TEST(ConsoleOutput, SeveralPrintersKeepALineEachBelowThePlainLines) {
    std::wostringstream s;
    // A console 40 characters wide.
    ConsoleOutput c(
        s, true, [&s](size_t lines) { s << std::wstring(lines, L'\x01'); }, 40);
    c.setLabelled(true);
    c.line(L"start");
    c.progress(1, L"[1/3] A", 10, L"waiting for the printer to restart");
    c.progress(2, L"[2/3] B", 0, L"sending firmware");
    c.progress(3, L"[3/3] C", 0, L"sending firmware");
    c.progress(1, L"[1/3] A", 99, L"verifying");
    EXPECT_EQ(screen(s.str()), (std::vector<std::wstring>{L"start", L"  [ 99%] [1/3] A: verifying",
                                                          L"  [  0%] [2/3] B: sending firmware",
                                                          L"  [  0%] [3/3] C: sending firmware"}));
    // A plain line and another object's line go above the block; a printer
    // that is done leaves it without a trace.
    c.line(L"[1/3] A: updated");
    c.endProgress(1);
    c.above([&s] { s << L"Device: A, Result: Success\n"; });
    c.progress(3, L"[3/3] C", 42, L"waiting for the printer to restart");
    EXPECT_EQ(screen(s.str()), (std::vector<std::wstring>{
                                   L"start", L"[1/3] A: updated", L"Device: A, Result: Success",
                                   L"  [  0%] [2/3] B: sending firmware",
                                   L"  [ 42%] [3/3] C: waiting for the print"}));
    c.endProgress(2);
    c.endProgress(3);
    c.line(L"Summary");
    EXPECT_EQ(screen(s.str()),
              (std::vector<std::wstring>{L"start", L"[1/3] A: updated",
                                         L"Device: A, Result: Success", L"Summary"}));
}

} // namespace
