#include "DriverScript.h"
#include "PageControls.h"
#include "PageSignature.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>

namespace {

DriverScript::Lookup lookupIn(const std::map<std::string, std::string>& vars) {
    return [vars](const std::string& name, std::string& value) {
        auto it = vars.find(name);
        if (it == vars.end())
            return false;
        value = it->second;
        return true;
    };
}

} // namespace

TEST(DriverScript, ExpandsVariablesAndKeepsTextAsWritten) {
    std::vector<DriverStep> steps;
    std::string error;
    const std::string script = "# a comment\n\n"
                               "start ${KIV} -m 1\r\n"
                               "  ip 1002 ${NET}.2\n"
                               "text 1038 Two  blanks, kept  \n"
                               "sim SET office fault silent\n"
                               "watch 2\n";
    ASSERT_TRUE(DriverScript::parse(
        script, lookupIn({{"KIV", "Z:\\b\\KIV.exe"}, {"NET", "127.9.9"}}), steps, error))
        << error;
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].rest, "Z:\\b\\KIV.exe -m 1");
    EXPECT_EQ(steps[1].words, (std::vector<std::string>{"1002", "127.9.9.2"}));
    EXPECT_EQ(DriverScript::textAfter(steps[2], 1), "Two  blanks, kept");
}

TEST(DriverScript, NamesTheLineOfABadStep) {
    const auto none = lookupIn({});
    std::vector<DriverStep> steps;
    std::string error;
    EXPECT_FALSE(DriverScript::parse("page select\nclick\n", none, steps, error));
    EXPECT_EQ(error, "line 2: wrong number of words for 'click'");
    EXPECT_FALSE(DriverScript::parse("page select\n\npress 1\n", none, steps, error));
    EXPECT_EQ(error, "line 3: unknown step 'press'");
    EXPECT_FALSE(DriverScript::parse("sim\n", none, steps, error));
    EXPECT_EQ(error, "line 1: wrong number of words for 'sim'");
    EXPECT_FALSE(DriverScript::parse("start ${KIV_EXE}\n", none, steps, error));
    EXPECT_EQ(error, "line 1: KIV_EXE is not set");
}

TEST(PageSignature, AnUnknownOrAmbiguousSetOfControlsIsNoPage) {
    EXPECT_EQ(PageSignature::identify({1, 1039, 1040}), "welcome");
    // The Result page's controls plus 1041 are neither Result nor Revision.
    EXPECT_EQ(PageSignature::identify({1, 1038, 1039, 1040, 1041}), "");
    EXPECT_EQ(PageSignature::identify({}), "");
}

// Every template the libraries ship is a page of its own to the driver, also
// with a child no template has; with a control of another page beside its
// own it is no longer that page.
TEST(PageSignature, TellsEveryShippedTemplateApart) {
    std::set<std::string> names;
    for (const Ctl::PageTemplate& page : Ctl::AllPages) {
        const std::set<int> own(page.controls, page.controls + page.count);
        const std::string name = PageSignature::identify(own);
        EXPECT_TRUE(PageSignature::isKnown(name)) << "template " << page.number;
        names.insert(name);
        std::set<int> withChild = own;
        withChild.insert(0);
        EXPECT_EQ(PageSignature::identify(withChild), name) << "template " << page.number;
        for (const Ctl::PageTemplate& other : Ctl::AllPages) {
            for (size_t i = 0; i < other.count; ++i) {
                std::set<int> more = own;
                if (more.insert(other.controls[i]).second) {
                    EXPECT_NE(PageSignature::identify(more), name)
                        << "template " << page.number << " with " << other.controls[i];
                }
            }
        }
    }
    EXPECT_EQ(names.size(), std::size(Ctl::AllPages));
}
