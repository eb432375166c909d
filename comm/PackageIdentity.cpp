#include "PackageIdentity.h"

#include <cwctype>

bool PackageIdentity::sameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i]))
            return false;
    return true;
}

bool PackageIdentity::switchOn(const std::wstring& value) {
    return value.empty() || sameText(value, L"TRUE");
}

PackageIdentity::Verdict PackageIdentity::checkIdentifiers(const PrinterIdentity& printer) const {
    if (!verifyIds_ || (vid_.empty() && pids_.empty()))
        return Match;
    if (!printer.identifiersRead)
        return Unidentified;
    if (!vid_.empty() && !sameText(vid_, printer.vid))
        return WrongVendor;
    if (pids_.empty())
        return Match;
    for (const std::wstring& pid : pids_)
        if (sameText(pid, printer.pid))
            return Match;
    return WrongProduct;
}

PackageIdentity::Verdict PackageIdentity::checkModel(const PrinterIdentity& printer) const {
    if (!exactModel_ || model_.empty())
        return Match;
    if (!printer.modelRead)
        return Unidentified;
    return sameText(model_, printer.model) ? Match : WrongModel;
}

PackageIdentity::Verdict PackageIdentity::check(const PrinterIdentity& printer) const {
    Verdict verdict = checkIdentifiers(printer);
    return verdict != Match ? verdict : checkModel(printer);
}
