#ifndef ZAMCORE_TESTS_SUPPORT_RULE_FIXTURE_H
#define ZAMCORE_TESTS_SUPPORT_RULE_FIXTURE_H

#include <zamcore/zamcore.h>

#include <memory>
#include <string>

#include "support/window_fixture.h"

// A window whose module "m" declares options of every kind, an empty module
// "t" that receives the rules under test, and a selected option set to run
// them on.
//
// m: a, b, c integer; r real; s string; l logical; lim integer 1 to 10;
//    mv integer and ms string, both non_mutually_exclusive (several values),
//    where the interface has multi-valued options.
class RuleFixture : public WindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    ref_count_ptr<ZAMOption> option(const std::string& name) { return m->getOption(name); }
    // Stores a value of m's option in the set as the host's choice.
    void choose(const std::string& name, ref_count_ptr<ZAMValue> value,
                ZAMSelOptionSet::HowSet howSet = ZAMSelOptionSet::UserSet);
    // Parses `text` as the rules of t and runs them on the set.
    void run(const std::string& text);
    // The display texts of the values m's option holds in the set, "|"-joined.
    std::string valuesOf(const std::string& name);
    // How the first value of m's option was set.
    ZAMSelOptionSet::HowSet howSetOf(const std::string& name);
    // "T" or "F" by the branch an if on `condition` takes, "-" for neither.
    std::string truthOf(const std::string& condition);
    // The display text of a value expression, through an "inform" message.
    std::string valueOf(const std::string& expression);

    ref_count_ptr<ZAMModule> m;
    ref_count_ptr<ZAMModule> t;
    std::unique_ptr<ZAMSelOptionSet> set;
};

#endif
