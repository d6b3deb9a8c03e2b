#include "support/rule_fixture.h"

#include "zamcore/configuration/sos_entry.h"

void RuleFixture::SetUp() {
    WindowFixture::SetUp();
    m = window->createModule("m");
    for (const char* line :
         {"public a integer", "public b integer", "public c integer", "public r real",
          "public s string", "public l logical", "public lim integer = 1 to 10"}) {
        m->addOptionString(line);
    }
#if !ZAMCORE_EARLIER_INTERFACE
    m->addOptionString("public mv integer non_mutually_exclusive");
    m->addOptionString("public ms string non_mutually_exclusive");
#endif
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
    set->set(zamcore::makeEntry(option(name), ZAMPath(), value, howSet));
}

void RuleFixture::run(const std::string& text) {
    t->setRkl(text);
    t->getRkl()->execute(*set);
}

std::string RuleFixture::valuesOf(const std::string& name) {
    std::string joined;
    const ZAMSelOptionSet::ZAMSosEntry& entry = set->get(option(name));
    for (std::size_t i = 0; i < zamcore::valueCount(entry); ++i) {
        joined += (joined.empty() ? "" : "|") + zamcore::valueAt(entry, i)->displayString();
    }
    return joined;
}

ZAMSelOptionSet::HowSet RuleFixture::howSetOf(const std::string& name) {
    return zamcore::firstHowSet(set->get(option(name)));
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
