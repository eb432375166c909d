// Which wizard page a window is, told from outside by the numbers of its
// controls alone: texts change with the language, control numbers do not.
#pragma once

#include <set>
#include <string>

class PageSignature {
public:
    // The page name ("welcome", "licence", "select", "ip", "progress",
    // "summary", "result", "error", "spr", "revision") whose controls these
    // are, or an empty text when none or more than one fits.
    static std::string identify(const std::set<int>& controls);
    // Whether name is one of the names above.
    static bool isKnown(const std::string& name);
};
