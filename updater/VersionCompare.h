// Comparing the package's version string with a device's: by build date, with
// the build suffix as tie-break, segment by segment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VersionCompare {

enum Outcome { PackageNewer, Equal, DeviceNewer };

// The package's panel version is written "xx.nnnnnn_tttt..."; this turns it
// into the device's dotted form by putting "." at index 9 and dropping index
// 12. Edits whose index lies past the text are skipped.
std::wstring packagePanelForm(std::wstring value);

// The firmware letter: the character right after the first "_"; empty when
// there is none.
std::wstring firmwareLetter(const std::wstring& version);

// Drops the model, "_" and the firmware letter (only the first character when
// there is no "_") and turns "." into "_".
std::wstring normalise(const std::wstring& version);

// Day number of a civil date, counted from 1970-01-01. Months and days out of
// range roll over the way a calendar conversion does (month 13 is January of
// the next year, day 0 the last day of the month before). Pure arithmetic, so
// the result is the same in every time zone and for any year.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day);

struct SegmentStamp {
    int64_t days;
    std::wstring suffix;
};

// Date and suffix of segment number index (0, 1 or 2) of a normalised string.
// Positions past the end of the text read as empty text: a missing number is
// 0 and a missing suffix is "".
SegmentStamp stampOf(const std::wstring& segment, size_t index);

// Why the package's value of firmware part index (0, 1 or 2, as written in
// config.ini) cannot be compared; empty when it can. No part holds a blank
// once in the form compared (a comment after the value is kept in it; the
// panel's blank between its two parts is not), and the main part is read as
// "model_Lmmddyy_ss": a build date that is no date compares as any other
// date, and every printer would be newer or older than the package.
std::wstring packagePartFault(const std::wstring& value, size_t index);

// Steps 4 to 9 of the comparison, on the raw version strings; the caller has
// already handled an empty device string. Equal only when every segment is:
// a printer that took the main part but not the panel is not up to date.
Outcome compare(const std::wstring& package, const std::wstring& device);

} // namespace VersionCompare
