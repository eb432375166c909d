#include "PageSignature.h"

#include "PageControls.h"

#include <cstdint>

namespace {

// The scripts' name for each page template.
struct PageName {
    const char* name;
    uint16_t number;
};

const PageName kPages[] = {
    {"welcome", Tpl::Welcome},        {"licence", Tpl::Licence},   {"select", Tpl::SelectDevice},
    {"ip", Tpl::SelectAddress},       {"progress", Tpl::Progress}, {"summary", Tpl::Summary},
    {"result", Tpl::Result},          {"error", Tpl::Error},       {"spr", Tpl::ErrorSPR},
    {"revision", Tpl::ErrorRevision},
};

bool owns(const Ctl::PageTemplate& page, int id) {
    for (size_t i = 0; i < page.count; ++i)
        if (page.controls[i] == id)
            return true;
    return false;
}

// A window shows a template when it has every control of that template and
// none that only other templates have. Several pages share most of their
// numbers; a child that no template has (the Select-device page's search
// animation) does not count either way.
bool shows(const Ctl::PageTemplate& page, const std::set<int>& controls) {
    for (size_t i = 0; i < page.count; ++i)
        if (!controls.count(page.controls[i]))
            return false;
    for (const Ctl::PageTemplate& other : Ctl::AllPages)
        for (size_t i = 0; i < other.count; ++i)
            if (controls.count(other.controls[i]) && !owns(page, other.controls[i]))
                return false;
    return true;
}

const Ctl::PageTemplate* templateOf(uint16_t number) {
    for (const Ctl::PageTemplate& page : Ctl::AllPages)
        if (page.number == number)
            return &page;
    return nullptr;
}

} // namespace

std::string PageSignature::identify(const std::set<int>& controls) {
    std::string found;
    for (const PageName& p : kPages) {
        const Ctl::PageTemplate* page = templateOf(p.number);
        if (!page || !shows(*page, controls))
            continue;
        if (!found.empty())
            return std::string();
        found = p.name;
    }
    return found;
}

bool PageSignature::isKnown(const std::string& name) {
    for (const PageName& p : kPages)
        if (name == p.name)
            return true;
    return false;
}
