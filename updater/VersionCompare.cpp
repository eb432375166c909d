#include "VersionCompare.h"

#include "EngineText.h"

#include <algorithm>
#include <cwctype>

namespace VersionCompare {

namespace {

struct Positions {
    size_t month, day, year, suffix, suffixEnd;
};

// Month, day and year are two digits each; the suffix ends at suffixEnd.
const Positions segmentPositions[3] = {
    {0, 2, 4, 7, 9},
    {3, 5, 7, 10, 14},
    {4, 6, 8, 11, 13},
};

std::wstring slice(const std::wstring& text, size_t begin, size_t end) {
    if (begin >= text.size())
        return std::wstring();
    return text.substr(begin, end - begin);
}

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

std::wstring packagePanelForm(std::wstring value) {
    if (value.rfind(L'.') != 2)
        return value;
    if (value.size() > 9)
        value[9] = L'.';
    if (value.size() > 12)
        value.erase(12, 1);
    return value;
}

std::wstring firmwareLetter(const std::wstring& version) {
    size_t pos = version.find(L'_');
    if (pos == std::wstring::npos || pos + 1 >= version.size())
        return std::wstring();
    return version.substr(pos + 1, 1);
}

std::wstring normalise(const std::wstring& version) {
    size_t pos = version.find(L'_');
    size_t cut = pos == std::wstring::npos ? 1 : pos + 2;
    std::wstring out = cut >= version.size() ? std::wstring() : version.substr(cut);
    std::replace(out.begin(), out.end(), L'.', L'_');
    return out;
}

int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    int64_t m0 = month - 1;
    year += floorDiv(m0, 12);
    m0 -= floorDiv(m0, 12) * 12;
    int64_t m = m0 + 1;
    // Days of the first of the month, counting years from March so that the
    // leap day falls at the end of the cycle.
    int64_t y = m <= 2 ? year - 1 : year;
    int64_t era = floorDiv(y, 400);
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t firstOfMonth = era * 146097 + doe - 719468;
    return firstOfMonth + (day - 1);
}

SegmentStamp stampOf(const std::wstring& segment, size_t index) {
    const Positions& p = segmentPositions[std::min<size_t>(index, 2)];
    int64_t month = EngineText::leadingInt(slice(segment, p.month, p.month + 2));
    int64_t day = EngineText::leadingInt(slice(segment, p.day, p.day + 2));
    int64_t year = 2000 + EngineText::leadingInt(slice(segment, p.year, p.year + 2));
    return SegmentStamp{daysFromCivil(year, month, day), slice(segment, p.suffix, p.suffixEnd)};
}

std::wstring packagePartFault(const std::wstring& value, size_t index) {
    // The panel's version is written as the printer shows it, its two parts
    // apart; the form compared has no blank.
    const std::wstring compared = index == 1 ? packagePanelForm(value) : value;
    if (std::any_of(compared.begin(), compared.end(), [](wchar_t c) { return iswspace(c) != 0; }))
        return L"a version holds no blank";
    if (index != 0)
        return std::wstring();
    const std::wstring stamp = normalise(value);
    const Positions& p = segmentPositions[0];
    const bool digits = stamp.size() >= p.suffixEnd && stamp[p.year + 2] == L'_' &&
                        std::all_of(stamp.begin(), stamp.begin() + p.year + 2,
                                    [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    const int64_t month = digits ? EngineText::leadingInt(stamp.substr(p.month, 2)) : 0;
    const int64_t day = digits ? EngineText::leadingInt(stamp.substr(p.day, 2)) : 0;
    if (value.find(L'_') == std::wstring::npos || month < 1 || month > 12 || day < 1 || day > 31)
        return L"not a version of the form model_Lmmddyy_ss";
    return std::wstring();
}

Outcome compare(const std::wstring& package, const std::wstring& device) {
    std::vector<std::wstring> pkg = EngineText::splitKeepEmpty(normalise(package), L'|');
    std::vector<std::wstring> dev = EngineText::splitKeepEmpty(normalise(device), L'|');
    if (pkg.size() != dev.size())
        return PackageNewer;
    // Both sides without any segment compare as equal.
    if (pkg == dev)
        return Equal;
    size_t count = std::min<size_t>(pkg.size(), 3);
    for (size_t i = 0; i < count; ++i) {
        SegmentStamp p = stampOf(pkg[i], i);
        SegmentStamp d = stampOf(dev[i], i);
        if (p.days > d.days)
            return PackageNewer;
        if (p.days == d.days && p.suffix > d.suffix)
            return PackageNewer;
    }
    return DeviceNewer;
}

} // namespace VersionCompare
