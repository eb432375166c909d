// A scenario for the driver: one step a line, "#" starts a comment.
//
//   start <program> [arguments]   start the program (its window station and console)
//   page <name> [seconds]         wait until a page of that name is shown; it becomes current
//   text <id> <text>              the current page's control shows exactly <text>
//   contains <id> <text>          ... shows a text containing <text>
//   enabled <id> 0|1              the control is (not) enabled
//   visible <id> 0|1              the control is (not) visible
//   rows <id> <n> [seconds]       the list view has n rows (waits up to the time)
//   cell <id> <row> <col> <text>  the list view's cell contains <text>
//   selected <id> <row> 0|1       the list view's row is (not) selected
//   progress <id> <min> [seconds] the progress bar reaches at least <min>
//   rises <id> [seconds]          the progress bar's position rises while watched
//   click <id>                    press the button
//   click-row <id> <row>          click the list view's row with the mouse
//   ip <id> <a.b.c.d>             enter the address into the IP-address control
//   escape                        press Escape on the current page
//   close                         press the current page's close box
//   gone [seconds]                the current page closes
//   exit <code> [seconds]         the program ends with this exit code; prints how long it ran
//   shot <file>                   save a picture of the current page (.bmp)
//   sim <command>                 send a command to the printer simulator's control port
//   sim-state <text>              the simulator's STATE reply comes to contain <text>
//   watch <seconds>               ask the current page every 10 ms whether it answers, for
//                                 that long or until it closes; prints the longest wait
//   sleep <milliseconds>
//
// Each step that passes is printed with the seconds since the program started.
// "${NAME}" anywhere in a step is replaced by the environment variable NAME
// (the test gives the program's path, the simulator's addresses, ...).
#pragma once

#include <functional>
#include <string>
#include <vector>

struct DriverStep {
    int line = 0;
    std::string verb;
    std::vector<std::string> words; // the words after the verb
    std::string rest;               // everything after the verb, as written
};

class DriverScript {
public:
    // Looks up a variable; false when it is not set.
    typedef std::function<bool(const std::string& name, std::string& value)> Lookup;

    // Reads a whole script; on a malformed step or an unset variable returns
    // false with the reason, naming its line.
    static bool parse(const std::string& text, const Lookup& lookup, std::vector<DriverStep>& steps,
                      std::string& error);
    // The text after the first n words of the step, as written.
    static std::string textAfter(const DriverStep& step, size_t n);
};
