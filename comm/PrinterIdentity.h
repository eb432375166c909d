// What a printer told about itself while being listed. It names the record
// and the enumeration's log line; whether the printer fits the package is
// the engine's decision alone, with its own reads of the same printer.
#pragma once

#include <string>

struct PrinterIdentity {
    bool identifiersRead = false;
    std::wstring vid; // four upper-case hexadecimal digits
    std::wstring pid;
    bool modelRead = false;
    std::wstring model;

    // "7B1E:31C7", for the record; empty when they were not read.
    std::wstring identifiersText() const;
    // The model, or fallback when the printer did not tell it.
    std::wstring nameOr(const std::wstring& fallback) const;
    // What was read, for the log: "ids=7B1E:31C7 model=K206", with
    // "unread" for a part the printer did not tell.
    std::wstring forLog() const;
};
