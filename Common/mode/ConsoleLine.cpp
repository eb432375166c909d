#include "ConsoleLine.h"

#include <ostream>

void writeTolerantLine(std::wostream& out, const std::wstring& text) {
    // An earlier failed write must not keep this line from going out.
    out.clear();
    // One character at a time, so that only the one that fails is lost.
    for (wchar_t c : text) {
        if (!out.put(c)) {
            out.clear();
            if (!out.put(L'?'))
                break; // the stream itself is gone
        }
    }
    out << std::endl;
    out.clear();
}
