#include <zamcore/zamcore.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/test_node.h"
#include "support/window_fixture.h"
#include "zamcore/configuration/sos_entry.h"

namespace {

using Entry = ZAMSelOptionSet::ZAMSosEntry;

const char* originName(ZAMWriteTrace::Origin origin) {
    static const char* const names[] = {"default", "host", "rule", "presented", "inherited"};
    return names[origin];
}

// "text/how-set" per value, comma-separated.
std::string values(const Entry& entry) {
    std::string text;
    for (std::size_t i = 0; i < zamcore::valueCount(entry); ++i) {
        text += (i == 0 ? "" : ",") + zamcore::valueAt(entry, i)->displayString() + "/" +
                std::to_string(static_cast<int>(zamcore::howSetAt(entry, i)));
    }
    return text;
}

// One write as "origin node module:line option[path]=written -> stored".
// The adapter outlives the fixture's leak check, so events are kept as text.
std::string describe(const ZAMWriteTrace::Event& event) {
    const auto* node = dynamic_cast<const TestNode*>(event.node);
    const Entry& written = event.written;
    std::string text = std::string(originName(event.origin)) + " " +
                       (node != nullptr ? node->name() : "-") + " " + event.moduleId + ":" +
                       std::to_string(event.line) + " " + written.option->moduleId() + ":" +
                       written.option->name();
    if (!written.path.isEmpty()) {
        text += "[" + written.path.toDisplayString() + "]";
    }
    text += "=" + values(written) + " -> " + (event.stored ? values(*event.stored) : "host");
    return text;
}

void record(const ZAMWriteTrace::Event& event, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(describe(event));
}

// A window with module m (a, b integer with defaults, rules set per test), a
// tree rooted at `root` standing for m, and the write trace recording into
// `writes` while the test runs.
class WriteTraceTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        m = window->createModule("m");
        m->addOptionString("public a integer default 1");
        m->addOptionString("public b integer default 2");
        root = std::make_unique<TestNode>(window, "root", "m");
        window->setRoot(root.get());
        ZAMWriteTrace::setCallback(record, &writes);
    }
    void TearDown() override {
        ZAMWriteTrace::setCallback(nullptr, nullptr);
        root.reset();
        m = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    Entry userValue(const std::string& name, int value) {
        return Entry{m->getOption(name),
                     ZAMPath(),
                     {ZAMValue::createInt(value)},
                     {ZAMSelOptionSet::UserSet}};
    }

    // The writes recorded so far whose text starts with `prefix`.
    std::vector<std::string> writesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& write : writes) {
            if (write.compare(0, prefix.size(), prefix) == 0) {
                found.push_back(write);
            }
        }
        return found;
    }

    std::vector<std::string> writes;
    ref_count_ptr<ZAMModule> m;
    std::unique_ptr<TestNode> root;
};

// A statement's line is that of the token after it; the refused "set" still
// reports, with the stored entry showing the fixed value that stayed.
TEST_F(WriteTraceTest, HostAndRuleWritesOfAnEvaluationInOrder) {
    m->setRkl("set m:a to 5\nfix m:b to m:b + 4\nset m:b to 9");
    ZAMSelOptionSet chosen(window);
    chosen.set(userValue("a", 3));
    root->setSos(chosen);
    writes.clear();

    window->evaluate(true);
    EXPECT_EQ((std::vector<std::string>{"host root :0 m:a=3/1 -> 3/1"}),
              writesStartingWith("host"));
    EXPECT_EQ(
        (std::vector<std::string>{"rule root m:2 m:a=5/2 -> 5/2", "rule root m:3 m:b=6/4 -> 6/4",
                                  "rule root m:3 m:b=9/2 -> 6/4"}),
        writesStartingWith("rule"));
    // b was read (and got its default) before the first rule wrote it.
    const std::vector<std::string> defaultOfB = writesStartingWith("default root :0 m:b=2/0");
    ASSERT_EQ(1u, defaultOfB.size());
    EXPECT_LT(std::find(writes.begin(), writes.end(), defaultOfB.front()),
              std::find(writes.begin(), writes.end(), "rule root m:3 m:b=6/4 -> 6/4"));
}

// At a module boundary a presented value reaches the option it presents, and
// a used option inherits its provider's value; both are the child's writes.
TEST_F(WriteTraceTest, PresentedAndInheritedValuesAtABoundary) {
    const ref_count_ptr<ZAMModule> p = window->createModule("p");
    p->addOptionString("public pa presents m:a[kid]");
    p->addOptionString("public u integer default 4");
    m->addOptionString("public pu uses p:u");
    TestNode top(window, "top", "p");
    top.add("kid", "m");
    window->setRoot(&top);
    ZAMSelOptionSet chosen(window);
    chosen.set(
        Entry{p->getOption("pa"), ZAMPath(), {ZAMValue::createInt(7)}, {ZAMSelOptionSet::UserSet}});
    chosen.set(
        Entry{p->getOption("u"), ZAMPath(), {ZAMValue::createInt(9)}, {ZAMSelOptionSet::UserSet}});
    top.setSos(chosen);
    writes.clear();

    window->evaluate(true);
    window->setRoot(root.get());
    EXPECT_EQ((std::vector<std::string>{"presented kid :0 m:a[kid]=7/1 -> 7/1"}),
              writesStartingWith("presented"));
    EXPECT_EQ((std::vector<std::string>{"inherited kid :0 m:pu=9/5 -> 9/5"}),
              writesStartingWith("inherited"));
}

TEST_F(WriteTraceTest, WritesOutsideAnEvaluation) {
    const ref_count_ptr<ZAMOption> legacy = m->declareLegacyOption("old");
    ZAMSelOptionSet set(window);
    set.set(userValue("a", 7));
    set.set(Entry{legacy, ZAMPath(), {ZAMValue::createInt(4)}, {ZAMSelOptionSet::UserSet}});
    set.clearEntry(userValue("a", 0));
    set.get(m->getOption("b"));
    EXPECT_EQ(
        (std::vector<std::string>{"host - :0 m:a=7/1 -> 7/1", "host - :0 m:old=4/1 -> host",
                                  "default - :0 m:a=1/0 -> 1/0", "default - :0 m:b=2/0 -> 2/0"}),
        writes);
}

// Rules run by the host itself, outside a node's evaluation, name no module.
TEST_F(WriteTraceTest, RulesRunByTheHostNameNoModule) {
    m->setRkl("fix m:a to 4");
    ZAMSelOptionSet set(window);
    m->getRkl()->execute(set);
    EXPECT_EQ((std::vector<std::string>{"rule - :1 m:a=4/4 -> 4/4"}), writes);
}

// A set that outlived its window still takes writes that need no window: the
// trace names no node, and what needs the window throws code 2.
TEST_F(WriteTraceTest, ASetThatOutlivedItsWindow) {
    ref_count_ptr<ZAMWindow> other = ZAM::createWindow();
    const ref_count_ptr<ZAMModule> w = other->createModule("w");
    const ref_count_ptr<ZAMOption> a = w->addOptionString("public a integer = 1 to 9");
    const ref_count_ptr<ZAMOption> old = w->declareLegacyOption("old");
    w->setRkl("set w:a to 2");
    ZAMSelOptionSet set(other);
    other = ref_count_ptr<ZAMWindow>();

    set.set(Entry{a, ZAMPath(), {ZAMValue::createInt(3)}, {ZAMSelOptionSet::UserSet}});
    EXPECT_EQ((std::vector<std::string>{"host - :0 w:a=3/1 -> 3/1"}), writes);
    EXPECT_FALSE(set.window());
    EXPECT_ZAM_CODE(set.get(old), 2);
    EXPECT_ZAM_CODE(w->getRkl()->execute(set), 2);
    EXPECT_EQ(1u, writes.size());
}

TEST_F(WriteTraceTest, RemovingTheCallbackStopsTracing) {
    m->setRkl("set m:a to 5");
    EXPECT_EQ(&record, ZAMWriteTrace::callback());
    ZAMWriteTrace::setCallback(nullptr, nullptr);
    EXPECT_EQ(nullptr, ZAMWriteTrace::callback());
    window->evaluate(true);
    EXPECT_TRUE(writes.empty());
}

}  // namespace
