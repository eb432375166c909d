// Reading the simulator's STATE text: one line per printer, its section, its
// address and key=value fields whose blanks are written as %20.
#pragma once

#include <sstream>
#include <string>

namespace SimState {

inline std::string unescape(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && s.compare(i, 3, "%20") == 0) {
            r += ' ';
            i += 2;
        } else if (s[i] == '%' && s.compare(i, 3, "%25") == 0) {
            r += '%';
            i += 2;
        } else {
            r += s[i];
        }
    }
    return r;
}

// The value of `field` ("aio", "received", "fault", ..., or "address") in the line
// of printer `section`; found is false when either is missing.
inline std::string field(const std::string& stateText, const std::string& section,
                         const std::string& field, bool* found = nullptr) {
    std::istringstream lines(stateText);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream tokens(line);
        std::string name, address, token;
        tokens >> name >> address;
        if (name != section)
            continue;
        if (field == "address") {
            if (found)
                *found = true;
            return address;
        }
        while (tokens >> token)
            if (token.compare(0, field.size() + 1, field + "=") == 0) {
                if (found)
                    *found = true;
                return unescape(token.substr(field.size() + 1));
            }
    }
    if (found)
        *found = false;
    return "";
}

} // namespace SimState
