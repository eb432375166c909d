#include "PageSignature.h"

#include <vector>

namespace {

struct Signature {
    const char* name;
    std::vector<int> required;
    std::vector<int> absent;
};

// Each page's controls as its template has them. A page is the one whose
// required controls are all there and whose absent ones are not: several
// pages share most of their numbers.
const std::vector<Signature>& signatures() {
    static const std::vector<Signature> all = {
        {"welcome", {1, 1039, 1040}, {2, 1038, 1000, 1003, 1004}},
        {"licence", {1, 2, 1000, 1038, 1039, 1040}, {}},
        {"select", {1, 1004, 1038, 1039, 1066, 1067}, {}},
        {"ip", {1, 2, 1002, 1038, 1039}, {}},
        {"progress", {1003, 1038, 1039, 1040}, {1}},
        {"summary", {1, 2, 1004, 1038, 1041, 1042}, {}},
        {"result", {1, 1038, 1039, 1040}, {2, 1000, 1003, 1004, 1041, 1066}},
        {"error", {1, 1038, 1039, 1066}, {1004, 1067}},
        {"spr", {1, 2, 1038, 1039}, {1000, 1002, 1040}},
        {"revision", {1, 1038, 1039, 1040, 1041, 1042}, {2, 1004}},
    };
    return all;
}

bool fits(const Signature& s, const std::set<int>& controls) {
    for (int id : s.required)
        if (!controls.count(id))
            return false;
    for (int id : s.absent)
        if (controls.count(id))
            return false;
    return true;
}

} // namespace

std::string PageSignature::identify(const std::set<int>& controls) {
    std::string found;
    for (const Signature& s : signatures()) {
        if (!fits(s, controls))
            continue;
        if (!found.empty())
            return std::string();
        found = s.name;
    }
    return found;
}

bool PageSignature::isKnown(const std::string& name) {
    for (const Signature& s : signatures())
        if (name == s.name)
            return true;
    return false;
}
