#include "Driver.h"

#include "PageSignature.h"
#include "RemoteList.h"
#include "SimControl.h"
#include "WindowPicture.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <set>

namespace {

std::wstring fromUtf8(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string narrow(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n,
                        nullptr, nullptr);
    return narrow;
}

const DWORD kPollMs = 50;
const double kCheckSeconds = 5; // how long a check waits for the page to catch up
const double kPageSeconds = 20; // default wait for a page to appear or go
const double kExitSeconds = 60; // default wait for the program to end
const DWORD kMessageTimeoutMs = 5000;
const ULONGLONG kSettleMs = 400; // how long a list must hold still after a click

// Polls until the condition holds or the time is up.
bool waitFor(double seconds, const std::function<bool()>& condition) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(kPollMs);
    }
}

double secondsArg(const DriverStep& s, size_t index, double fallback) {
    return s.words.size() > index ? std::stod(s.words[index]) : fallback;
}

std::wstring windowText(HWND window) {
    wchar_t buffer[4096] = L"";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        return std::wstring();
    return std::wstring(buffer, length < 4096 ? length : 4095);
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::set<int> controlNumbers(HWND page) {
    std::set<int> numbers;
    for (HWND item = GetWindow(page, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT))
        numbers.insert(GetDlgCtrlID(item));
    return numbers;
}

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<ProcessWindows*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->processId && IsWindowVisible(window) && className(window) == "#32770")
        found->windows.push_back(window);
    return TRUE;
}

// A mouse click at a point of the screen, as a user's hand makes it.
bool clickAt(POINT p) {
    if (!SetCursorPos(p.x, p.y))
        return false;
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

} // namespace

Driver::~Driver() {
    shutDown();
}

int Driver::run(const std::vector<DriverStep>& steps) {
    size_t passed = 0;
    for (const DriverStep& s : steps) {
        bool ok;
        try {
            ok = step(s);
        } catch (const std::exception& e) {
            ok = fail(std::string("bad argument: ") + e.what());
        }
        if (!ok) {
            std::printf("FAIL line %d (%s): %s\n", s.line,
                        s.rest.empty() ? s.verb.c_str() : (s.verb + " " + s.rest).c_str(),
                        failure_.c_str());
            std::fflush(stdout);
            shutDown();
            return 1;
        }
        ++passed;
        std::printf("ok   line %d: %s %s  (at %.3f s)\n", s.line, s.verb.c_str(), s.rest.c_str(),
                    secondsSinceStart());
        std::fflush(stdout);
    }
    shutDown();
    std::printf("driver: all %zu steps passed\n", passed);
    return 0;
}

bool Driver::step(const DriverStep& s) {
    const std::string& v = s.verb;
    if (v == "start")
        return start(s);
    if (v == "page")
        return waitPage(s);
    if (v == "text" || v == "contains")
        return checkText(s, v == "text");
    if (v == "enabled" || v == "visible")
        return checkState(s);
    if (v == "rows")
        return checkRows(s);
    if (v == "cell")
        return checkCell(s);
    if (v == "selected")
        return checkSelected(s);
    if (v == "progress")
        return checkProgress(s);
    if (v == "rises")
        return checkRising(s);
    if (v == "click")
        return click(s);
    if (v == "click-row")
        return clickRow(s);
    if (v == "ip")
        return enterAddress(s);
    if (v == "escape")
        return pressEscape();
    if (v == "close")
        return pressClose();
    if (v == "gone")
        return waitGone(s);
    if (v == "exit")
        return waitExit(s);
    if (v == "shot")
        return shot(s);
    if (v == "sim")
        return simulator(s);
    if (v == "sim-state")
        return simulatorState(s);
    if (v == "watch")
        return watch(s);
    if (v == "sleep") {
        Sleep(static_cast<DWORD>(std::stoul(s.words[0])));
        return true;
    }
    return fail("unknown step");
}

// Measured by the driver, so that a scenario's steps can be timed against
// what the program shows; 0 before a program was started.
double Driver::secondsSinceStart() const {
    return startedAt_ ? static_cast<double>(GetTickCount64() - startedAt_) / 1000 : 0;
}

bool Driver::fail(const std::string& why) {
    failure_ = why;
    return false;
}

bool Driver::start(const DriverStep& s) {
    if (process_)
        return fail("a program is running already");
    std::wstring commandLine = fromUtf8(s.rest);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return fail("cannot start it, error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    startedAt_ = GetTickCount64();
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    return true;
}

std::vector<std::pair<HWND, std::string>> Driver::pages() const {
    std::vector<std::pair<HWND, std::string>> named;
    if (!processId_)
        return named;
    ProcessWindows found = {processId_, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    for (HWND window : found.windows)
        named.emplace_back(window, PageSignature::identify(controlNumbers(window)));
    return named;
}

bool Driver::waitPage(const DriverStep& s) {
    const std::string& wanted = s.words[0];
    if (!PageSignature::isKnown(wanted))
        return fail("no page is called '" + wanted + "'");
    std::string seen;
    const bool found = waitFor(secondsArg(s, 1, kPageSeconds), [&] {
        seen.clear();
        for (const auto& page : pages()) {
            seen += (seen.empty() ? "" : ", ") + (page.second.empty() ? "?" : page.second);
            if (page.second == wanted) {
                page_ = page.first;
                pageName_ = wanted;
                return true;
            }
        }
        return false;
    });
    if (found)
        return true;
    DWORD code = STILL_ACTIVE;
    if (process_ && GetExitCodeProcess(process_.get(), &code) && code != STILL_ACTIVE)
        return fail("the program ended with " + std::to_string(code));
    return fail("pages shown: " + (seen.empty() ? std::string("none") : seen));
}

HWND Driver::control(const std::string& id, bool mustBeUsable) {
    if (!page_ || !IsWindow(page_)) {
        fail("no current page");
        return nullptr;
    }
    HWND item = GetDlgItem(page_, std::stoi(id));
    if (!item) {
        fail("the " + pageName_ + " page has no control " + id);
        return nullptr;
    }
    if (mustBeUsable && !(IsWindowVisible(item) && IsWindowEnabled(item))) {
        fail("control " + id + " is hidden or disabled; a user could not use it");
        return nullptr;
    }
    return item;
}

bool Driver::checkText(const DriverStep& s, bool exact) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    const std::wstring expected = fromUtf8(DriverScript::textAfter(s, 1));
    std::wstring seen;
    if (waitFor(kCheckSeconds, [&] {
            seen = windowText(item);
            return exact ? seen == expected : seen.find(expected) != std::wstring::npos;
        }))
        return true;
    return fail("the text is \"" + toUtf8(seen) + "\"");
}

bool Driver::checkState(const DriverStep& s) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    const bool expected = s.words[1] == "1";
    const bool enabled = s.verb == "enabled";
    if (waitFor(kCheckSeconds, [&] {
            return (enabled ? IsWindowEnabled(item) != FALSE : IsWindowVisible(item) != FALSE) ==
                   expected;
        }))
        return true;
    return fail(std::string("the control is ") + (expected ? "not " : "") + s.verb);
}

bool Driver::checkRows(const DriverStep& s) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    RemoteList list(process_.get(), item);
    const int expected = std::stoi(s.words[1]);
    int seen = -1;
    if (waitFor(secondsArg(s, 2, kCheckSeconds),
                [&] { return (seen = list.rowCount()) == expected; }))
        return true;
    return fail("the list has " + std::to_string(seen) + " rows");
}

bool Driver::checkCell(const DriverStep& s) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    RemoteList list(process_.get(), item);
    const int row = std::stoi(s.words[1]);
    const int column = std::stoi(s.words[2]);
    const std::wstring expected = fromUtf8(DriverScript::textAfter(s, 3));
    std::wstring seen;
    if (waitFor(kCheckSeconds, [&] {
            return list.cellText(row, column, seen) && seen.find(expected) != std::wstring::npos;
        }))
        return true;
    return fail("the cell reads \"" + toUtf8(seen) + "\"");
}

bool Driver::checkSelected(const DriverStep& s) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    RemoteList list(process_.get(), item);
    const int row = std::stoi(s.words[1]);
    const bool expected = s.words[2] == "1";
    if (waitFor(kCheckSeconds, [&] { return list.isSelected(row) == expected; }))
        return true;
    return fail(std::string("the row is ") + (expected ? "not " : "") + "selected");
}

bool Driver::checkProgress(const DriverStep& s) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    const int wanted = std::stoi(s.words[1]);
    int seen = -1;
    if (waitFor(secondsArg(s, 2, kCheckSeconds), [&] {
            if (!IsWindow(item))
                return false;
            seen = static_cast<int>(SendMessageW(item, PBM_GETPOS, 0, 0));
            return seen >= wanted;
        }))
        return true;
    return fail("the bar stands at " + std::to_string(seen));
}

bool Driver::checkRising(const DriverStep& s) {
    HWND item = control(s.words[0], false);
    if (!item)
        return false;
    const int first = static_cast<int>(SendMessageW(item, PBM_GETPOS, 0, 0));
    int seen = first;
    // The Progress page closes as soon as its bar reaches the end, which can
    // fall between two looks; a bar that is gone has moved on, and the next
    // page tells whether the update succeeded.
    if (waitFor(secondsArg(s, 1, kPageSeconds), [&] {
            if (!IsWindow(item))
                return true;
            seen = static_cast<int>(SendMessageW(item, PBM_GETPOS, 0, 0));
            return seen > first;
        }))
        return true;
    return fail("the bar stayed at " + std::to_string(first));
}

// Posted, not sent: a press that opens another page must not hold the driver.
bool Driver::click(const DriverStep& s) {
    HWND item = control(s.words[0], true);
    return item && (PostMessageW(item, BM_CLICK, 0, 0) || fail("the click was not delivered"));
}

bool Driver::clickRow(const DriverStep& s) {
    HWND item = control(s.words[0], true);
    if (!item)
        return false;
    RECT r;
    if (!RemoteList(process_.get(), item).rowRect(std::stoi(s.words[1]), r))
        return fail("the list has no such row");
    const POINT middle = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (!clickAt(middle))
        return fail("the mouse click was not delivered");
    return settled(item, std::stoi(s.words[1])) || fail("the list did not settle after the click");
}

// A mouse click waits in the program's input queue, behind which a posted button press would
// overtake it; and between its press and its release the list shows the press's selection
// alone. So a row click is over when the list has taken the press (its selection mark is on
// the row), has let the mouse go, and its selection has then held still for a while.
bool Driver::settled(HWND list, int row) {
    RemoteList remote(process_.get(), list);
    std::string last;
    ULONGLONG since = GetTickCount64();
    return waitFor(kCheckSeconds, [&] {
        std::string now;
        const int rows = remote.rowCount();
        for (int i = 0; i < rows; ++i)
            now += remote.isSelected(i) ? '1' : '0';
        // The list holds the mouse from its press until its release.
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        const bool tracking = GetGUIThreadInfo(GetWindowThreadProcessId(list, nullptr), &gui) &&
                              gui.hwndCapture == list;
        const bool pressed = remote.selectionMark() == row;
        if (!pressed || tracking || now != last) {
            last = now;
            since = GetTickCount64();
            return false;
        }
        return GetTickCount64() - since >= kSettleMs;
    });
}

bool Driver::enterAddress(const DriverStep& s) {
    HWND item = control(s.words[0], true);
    if (!item)
        return false;
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(s.words[1].c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
        b > 255 || c > 255 || d > 255)
        return fail("not a dotted address");
    return PostMessageW(item, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d)) ||
           fail("the address was not delivered");
}

// The key goes through the page's own message loop, as a typed one would.
bool Driver::pressEscape() {
    if (!page_ || !IsWindow(page_))
        return fail("no current page");
    return (PostMessageW(page_, WM_KEYDOWN, VK_ESCAPE, 1) &&
            PostMessageW(page_, WM_KEYUP, VK_ESCAPE, 0xC0000001)) ||
           fail("the key was not delivered");
}

bool Driver::pressClose() {
    if (!page_ || !IsWindow(page_))
        return fail("no current page");
    return PostMessageW(page_, WM_SYSCOMMAND, SC_CLOSE, 0) || fail("the close was not delivered");
}

bool Driver::waitGone(const DriverStep& s) {
    if (!page_)
        return fail("no current page");
    HWND page = page_;
    if (waitFor(secondsArg(s, 0, kPageSeconds),
                [&] { return !IsWindow(page) || !IsWindowVisible(page); })) {
        page_ = nullptr;
        return true;
    }
    return fail("the " + pageName_ + " page is still shown");
}

bool Driver::waitExit(const DriverStep& s) {
    if (!process_)
        return fail("no program was started");
    const double seconds = secondsArg(s, 1, kExitSeconds);
    if (WaitForSingleObject(process_.get(), static_cast<DWORD>(seconds * 1000)) != WAIT_OBJECT_0)
        return fail("the program is still running");
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    std::printf("exit: the program ran %.3f s\n", secondsSinceStart());
    process_.reset();
    processId_ = 0;
    if (code == static_cast<DWORD>(std::stoul(s.words[0])))
        return true;
    return fail("the program ended with " + std::to_string(code));
}

bool Driver::shot(const DriverStep& s) {
    if (!page_ || !IsWindow(page_))
        return fail("no current page");
    return saveWindowPicture(page_, fromUtf8(s.words[0])) || fail("the picture was not written");
}

bool Driver::simulator(const DriverStep& s) {
    std::string reply;
    if (simCommand(s.rest, reply))
        return true;
    return fail("the simulator answered: " + (reply.empty() ? std::string("nothing") : reply));
}

bool Driver::simulatorState(const DriverStep& s) {
    std::string state;
    if (waitFor(kCheckSeconds,
                [&] { return (state = simState()).find(s.rest) != std::string::npos; }))
        return true;
    return fail("the simulator's state is: " + state);
}

// How long the page's thread keeps a message waiting: what a user feels as
// a window that does not react. A page that closes ends the watch.
bool Driver::watch(const DriverStep& s) {
    if (!page_ || !IsWindow(page_))
        return fail("no current page");
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::stod(s.words[0]) * 1000);
    ULONGLONG longest = 0;
    unsigned asked = 0;
    while (GetTickCount64() < end && IsWindow(page_) && IsWindowVisible(page_)) {
        const ULONGLONG before = GetTickCount64();
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(page_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored) &&
            IsWindow(page_))
            return fail("the page did not answer for 30 s");
        const ULONGLONG waited = GetTickCount64() - before;
        longest = waited > longest ? waited : longest;
        ++asked;
        Sleep(10);
    }
    std::printf("watch: the %s page answered %u times, the longest wait %llu ms\n",
                pageName_.c_str(), asked, static_cast<unsigned long long>(longest));
    return true;
}

// A failed scenario must not leave the program behind: its pages are asked to
// close like a user would; only a program that ignores that is ended.
void Driver::shutDown() {
    if (!process_)
        return;
    for (int round = 0; round < 20 && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
         ++round) {
        for (const auto& page : pages())
            PostMessageW(page.first, WM_SYSCOMMAND, SC_CLOSE, 0);
        WaitForSingleObject(process_.get(), 500);
    }
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        std::printf("driver: the program did not close; ending it\n");
        TerminateProcess(process_.get(), 255);
        WaitForSingleObject(process_.get(), 5000);
    }
    process_.reset();
    processId_ = 0;
}
