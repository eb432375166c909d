// Works a running KIV.exe from outside, as an accessibility or test-automation
// client would: finds its pages by their controls, reads what they show, and
// presses buttons, rows and keys. Every wait is bounded.
#pragma once

#include "DriverScript.h"
#include "ScopedHandle.h"
#include "WindowsSupport.h"

#include <string>
#include <vector>

class Driver {
public:
    Driver() = default;
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Runs the steps in order and stops at the first that fails. Returns 0
    // when every step passed, 1 otherwise. A program still running at the
    // end is asked to close, and ended when it does not.
    int run(const std::vector<DriverStep>& steps);

private:
    bool step(const DriverStep& s);
    bool start(const DriverStep& s);
    bool waitPage(const DriverStep& s);
    bool checkText(const DriverStep& s, bool exact);
    bool checkState(const DriverStep& s);
    bool checkRows(const DriverStep& s);
    bool checkCell(const DriverStep& s);
    bool checkSelected(const DriverStep& s);
    bool checkProgress(const DriverStep& s);
    bool checkRising(const DriverStep& s);
    bool click(const DriverStep& s);
    bool clickRow(const DriverStep& s);
    bool settled(HWND list, int row);
    bool enterAddress(const DriverStep& s);
    bool pressEscape();
    bool pressClose();
    bool waitGone(const DriverStep& s);
    bool waitExit(const DriverStep& s);
    bool shot(const DriverStep& s);
    bool simulator(const DriverStep& s);
    bool simulatorState(const DriverStep& s);
    bool watch(const DriverStep& s);

    // The current page's control with that number, if the page has one.
    HWND control(const std::string& id, bool mustBeUsable);
    // The visible pages of the program, with their names.
    std::vector<std::pair<HWND, std::string>> pages() const;
    bool fail(const std::string& why);
    double secondsSinceStart() const;
    void shutDown();

    ScopedHandle<KernelHandleTraits> process_;
    DWORD processId_ = 0;
    ULONGLONG startedAt_ = 0;
    HWND page_ = nullptr;
    std::string pageName_;
    std::string failure_;
};
