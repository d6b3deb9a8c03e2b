#include "support/rule_fixture.h"

void RuleFixture::SetUp() {
    WindowFixture::SetUp();
    m = window->createModule("m");
    for (const char* line :
         {"public a integer", "public b integer", "public c integer", "public r real",
          "public s string", "public l logical", "public lim integer = 1 to 10",
          "public mv integer non_mutually_exclusive", "public ms string non_mutually_exclusive"}) {
        m->addOptionString(line);
    }
    t = window->createModule("t");
    set = std::make_unique<ZAMSelOptionSet>(window);
}

void RuleFixture::TearDown() {
    set.reset();
    m = t = ref_count_ptr<ZAMModule>();
    WindowFixture::TearDown();
}

void RuleFixture::choose(const std::string& name, ref_count_ptr<ZAMValue> value,
                         ZAMSelOptionSet::HowSet howSet) {
    ZAMSelOptionSet::ZAMSosEntry entry;
    entry.option = option(name);
    entry.values.push_back(value);
    entry.howSets.push_back(howSet);
    set->set(entry);
}

void RuleFixture::run(const std::string& text) {
    t->setRkl(text);
    t->getRkl()->execute(*set);
}

std::string RuleFixture::valuesOf(const std::string& name) {
    std::string joined;
    for (const ref_count_ptr<ZAMValue>& value : set->get(option(name)).values) {
        joined += (joined.empty() ? "" : "|") + value->displayString();
    }
    return joined;
}

ZAMSelOptionSet::HowSet RuleFixture::howSetOf(const std::string& name) {
    return set->get(option(name)).howSets.front();
}

std::string RuleFixture::truthOf(const std::string& condition) {
    adapter.messages.clear();
    run("if " + condition + " then inform \"T\" else inform \"F\" endif");
    return adapter.messages.empty() ? "-" : adapter.messageTexts();
}

std::string RuleFixture::valueOf(const std::string& expression) {
    adapter.messages.clear();
    run("inform " + expression);
    return adapter.messageTexts();
}
