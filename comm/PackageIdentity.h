// Which printers this package is for, as config.ini says, and the test of a
// printer's reported identity against it.
#pragma once

#include <string>
#include <vector>

// What a printer reported about itself while being identified.
struct PrinterIdentity {
    bool identifiersRead = false;
    std::wstring vid; // four upper-case hexadecimal digits
    std::wstring pid;
    bool modelRead = false;
    std::wstring model;
};

class PackageIdentity {
public:
    enum Verdict { Match, WrongVendor, WrongProduct, WrongModel, Unidentified };

    // Switch values as written in config.ini ("true", "TRUE", ...). An absent
    // switch turns its check on: a package that does not say otherwise wants
    // only its own printers.
    void setVerifyIdentifiers(const std::wstring& value) { verifyIds_ = switchOn(value); }
    void setExactModelMatch(const std::wstring& value) { exactModel_ = switchOn(value); }
    void setVendor(const std::wstring& vid) { vid_ = vid; }
    void setProducts(const std::vector<std::wstring>& pids) { pids_ = pids; }
    void setModel(const std::wstring& model) { model_ = model; }

    bool verifiesIdentifiers() const { return verifyIds_; }
    bool verifiesModel() const { return exactModel_; }

    // Comparisons ignore letter case. A check whose configured value is
    // empty cannot reject anything and leaves the decision to the updater.
    // The identifier part alone lets a caller stop before asking for the model.
    Verdict checkIdentifiers(const PrinterIdentity& printer) const;
    Verdict checkModel(const PrinterIdentity& printer) const;
    Verdict check(const PrinterIdentity& printer) const;

    static bool sameText(const std::wstring& a, const std::wstring& b);

private:
    static bool switchOn(const std::wstring& value);

    bool verifyIds_ = true;
    bool exactModel_ = true;
    std::wstring vid_;
    std::vector<std::wstring> pids_;
    std::wstring model_;
};
