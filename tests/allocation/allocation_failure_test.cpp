#include <zamcore/zamcore.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "failing_allocator.h"
#include "support/module_snapshot.h"
#include "support/rule_fixture.h"
#include "support/test_node.h"

namespace {

// One piece of work, run again and again with one more of its allocations
// failing each time. Only work() is counted; the other steps run with
// allocation working and may use GoogleTest.
struct Scenario {
    std::function<void()> setUp = [] {};
    std::function<void()> work;
    // After work() left with an exception: the state the failure rules
    // promise.
    std::function<void()> checkFailed = [] {};
    // After work() completed although an allocation failed on the way (or
    // none was left to fail): the state of a run without failures.
    std::function<void()> checkCompleted = [] {};
    std::function<void()> tearDown = [] {};
};

class AllocationFailureTest : public RuleFixture {
protected:
    // Fails the first, second, ... allocation of the work until the work
    // makes fewer allocations than the one meant to fail. Every failure must
    // leave as an exception and release every counted object it made.
    void failEachAllocation(const Scenario& scenario) {
        for (long n = 1;; ++n) {
            SCOPED_TRACE("failing allocation " + std::to_string(n));
            const std::int32_t live = liveObjects();
            scenario.setUp();
            bool threw = false;
            bool reached = false;
            {
                FailingAllocation failing(n);
                try {
                    scenario.work();
                } catch (const std::bad_alloc&) {
                    threw = true;
                } catch (const ZAMException&) {
                    threw = true;
                }
                reached = failing.reached();
            }
            EXPECT_TRUE(reached || !threw) << "the work failed on its own";
            if (threw) {
                scenario.checkFailed();
            } else {
                scenario.checkCompleted();
            }
            scenario.tearDown();
            EXPECT_EQ(live, liveObjects()) << "counted objects leaked";
            if (HasFailure()) {
                return;
            }
            if (!reached) {
                std::printf("the work failed each of its %ld allocations in turn\n", n - 1);
                return;
            }
        }
    }

    // Interface snapshots of module t after each prefix of `lines`, declared
    // without failures in a window like this test's.
    std::vector<InterfaceSnapshot> snapshotsAfterEachLine(const std::vector<std::string>& lines,
                                                          const std::function<void()>& prepare) {
        prepare();
        std::vector<InterfaceSnapshot> snapshots{snapshotInterface(*t)};
        for (const std::string& line : lines) {
            t->addOptionString(line);
            snapshots.push_back(snapshotInterface(*t));
        }
        return snapshots;
    }

    void resetModule(const char* id) {
        window->deleteModule(id);
        t = window->createModule(id);
    }
    // Leaves the window without the module, so that the objects a scenario
    // makes are all released after each run.
    void dropModule(const char* id) {
        window->deleteModule(id);
        t = ref_count_ptr<ZAMModule>();
    }
};

TEST_F(AllocationFailureTest, TheLibraryAllocatesThroughTheReplacement) {
    {
        FailingAllocation counting(0);
        ZAMValue::createString("counted");
        EXPECT_GT(counting.count(), 0);
    }
    {
        FailingAllocation failing(1);
        EXPECT_THROW(window->createModule("x"), std::bad_alloc);
    }
    EXPECT_EQ(0u, window->moduleMap().count("x"));
}

TEST_F(AllocationFailureTest, DeclaringAnInterfaceKeepsEveryLineBeforeTheFailure) {
    const std::vector<std::string> lines = {
        "public keep integer = 4 to 6 default 5",
#if !ZAMCORE_EARLIER_INTERFACE
        "public size integer \"Size\" : mandatory non_mutually_exclusive = 1, 2, > 10 default 2",
#else
        "public size integer \"Size\" = 1, 2, > 10 default 2",
#endif
        "private angle real = -1.5 to 2.5",
        "public finish string = \"matt\", \"gloss\" default \"matt\"",
        "public on logical default true",
        "public p presents m:lim[front.'left side'] default 7",
        "public i implements m:lim = 2, 3 to 4 default 3",
        "public u uses m:s",
        "public k implements t:keep = 5",
    };
    const auto prepare = [&] {
        resetModule("t");
        t->addOptionString("public keep integer = 1 to 3 default 2");
    };
    const std::vector<InterfaceSnapshot> expected = snapshotsAfterEachLine(lines, prepare);
    dropModule("t");
    std::size_t declared = 0;
    Scenario scenario;
    scenario.setUp = [&] {
        prepare();
        declared = 0;
    };
    scenario.work = [&] {
        for (const std::string& line : lines) {
            t->addOptionString(line);
            ++declared;
        }
    };
    scenario.checkFailed = [&] {
        InterfaceSnapshot now = snapshotInterface(*t);
        // A new option made before a later part of its declaration failed
        // stays, without a text.
        std::istringstream failing(lines[declared]);
        std::string scope;
        std::string name;
        failing >> scope >> name;
        auto made = now.find(name);
        if (expected[declared].count(name) == 0 && made != now.end()) {
            EXPECT_NE(std::string::npos, made->second.find("| <no text>")) << made->second;
            now.erase(made);
        }
        EXPECT_EQ(expected[declared], now) << "declared " << declared;
    };
    scenario.checkCompleted = [&] { EXPECT_EQ(expected.back(), snapshotInterface(*t)); };
    scenario.tearDown = [&] { dropModule("t"); };
    failEachAllocation(scenario);
}

TEST_F(AllocationFailureTest, RulesThatFailToParseKeepTheOldOnes) {
    const std::string text =
        "set m:a to 1\n"
        "if m:a = 1 and not m:b = 2 or m:c > 3 then\n"
        "  set m:b to (m:a + 2) * 3 - -1\n"
        "  fix m:r to 2.5 / 2\n"
        "elif m:l then inform \"never\"\n"
        "else warn \"never\"\n"
        "endif\n"
        "set m:s to \"ab\" + \"cd\"\n"
        "set m:lim[front.left] to 7\n"
        "inform m:s\n"
#if !ZAMCORE_EARLIER_INTERFACE
        "set m:mv to 1\n"
        "set m:mv to 2\n"
        "mutually_exclusive : [a, c]\n"
        "mutually_exclusive : {s.abcd, ms.x}\n"
#endif
        ;
    ref_count_ptr<ZAMExpRoot> old;
    bool parsed = false;
    const auto results = [&] {
        return adapter.messageTexts() + " b=" + valuesOf("b") + " r=" + valuesOf("r") +
               " lim=" + valuesOf("lim") + " s=" + valuesOf("s");
    };
    run(text);
    const std::string expected = results();
    dropModule("t");
    set.reset();
    Scenario scenario;
    scenario.setUp = [&] {
        t = window->createModule("t");
        t->setRkl("set m:a to 1");
        old = t->getRkl();
        set = std::make_unique<ZAMSelOptionSet>(window);
        adapter.messages.clear();
        parsed = false;
    };
    scenario.work = [&] {
        t->setRkl(text);
        parsed = true;
        t->getRkl()->execute(*set);
    };
    scenario.checkFailed = [&] {
        if (parsed) {
            EXPECT_EQ(text, t->getRkl()->rkl());
        } else {
            EXPECT_EQ(old.get(), t->getRkl().get());
        }
    };
    scenario.checkCompleted = [&] { EXPECT_EQ(expected, results()); };
    scenario.tearDown = [&] {
        old = ref_count_ptr<ZAMExpRoot>();
        set.reset();
        dropModule("t");
    };
    failEachAllocation(scenario);
}

TEST_F(AllocationFailureTest, ModuleTextsKeepOldRulesAndOptionsUntilTheyAreReplaced) {
    const std::string oldText =
        "module t\ninterface start\npublic keep integer = 1 to 3\npublic gone string\n"
        "interface end\nset m:a to 1\n";
    const std::string newText =
        "module t\ninterface start\npublic keep integer = 4 to 6 default 5\n"
        "public size integer = 1, 2\npublic p presents m:lim[x] default 3\n"
        "public i implements t:keep = 5\ninterface end\n"
        "if t:keep = 5 then set t:size to 2 endif\n";
    resetModule("t");
    t->setRklData(oldText);
    const InterfaceSnapshot before = snapshotInterface(*t);
    t->setRklData(newText);
    const InterfaceSnapshot after = snapshotInterface(*t);
    const std::string afterText = t->getRklData();
    dropModule("t");
    ref_count_ptr<ZAMExpRoot> oldRules;
    Scenario scenario;
    scenario.setUp = [&] {
        resetModule("t");
        t->setRklData(oldText);
        oldRules = t->getRkl();
    };
    scenario.work = [&] { t->setRklData(newText); };
    scenario.checkFailed = [&] {
        const InterfaceSnapshot now = snapshotInterface(*t);
        if (t->getRkl().get() != oldRules.get()) {
            EXPECT_EQ(after, now);
            return;
        }
        // Each option as it was or as the text declares it, but for one new
        // option made before a later part of its declaration failed: that
        // one stays, without a text.
        std::size_t halfMade = 0;
        for (const auto& entry : now) {
            const auto same = [&](const InterfaceSnapshot& snapshot) {
                auto found = snapshot.find(entry.first);
                return found != snapshot.end() && found->second == entry.second;
            };
            if (before.count(entry.first) == 0 &&
                entry.second.find("| <no text>") != std::string::npos) {
                ++halfMade;
            } else {
                EXPECT_TRUE(same(before) || same(after)) << entry.second;
            }
        }
        EXPECT_LE(halfMade, 1u);
        if (halfMade == 0) {
            EXPECT_NO_THROW(t->getRklData());
        }
    };
    scenario.checkCompleted = [&] {
        EXPECT_EQ(after, snapshotInterface(*t));
        EXPECT_EQ(afterText, t->getRklData());
    };
    scenario.tearDown = [&] {
        oldRules = ref_count_ptr<ZAMExpRoot>();
        dropModule("t");
    };
    failEachAllocation(scenario);
}

TEST_F(AllocationFailureTest, AFailedRenameLeavesTheModuleAsItWas) {
    const std::string text =
        "module t\ninterface start\npublic size integer = 1 to 5\n"
        "public i implements t:size = 2\ninterface end\nif t:size = 2 then set t:i to 2 endif\n";
    const auto prepare = [&] {
        resetModule("t");
        t->setRklData(text);
    };
    prepare();
    const InterfaceSnapshot before = snapshotInterface(*t);
    const std::string beforeText = t->getRklData();
    t->changeOptionString(t->getOption("i"), "j", "public j implements t:size = 2, 3");
    const InterfaceSnapshot after = snapshotInterface(*t);
    const std::string afterText = t->getRklData();
    dropModule("t");
    Scenario scenario;
    scenario.setUp = prepare;
    scenario.work = [&] {
        t->changeOptionString(t->getOption("i"), "j", "public j implements t:size = 2, 3");
    };
    scenario.checkFailed = [&] {
        EXPECT_EQ(before, snapshotInterface(*t));
        EXPECT_EQ(beforeText, t->getRklData());
    };
    scenario.checkCompleted = [&] {
        EXPECT_EQ(after, snapshotInterface(*t));
        EXPECT_EQ(afterText, t->getRklData());
    };
    scenario.tearDown = [&] { dropModule("t"); };
    failEachAllocation(scenario);
}

TEST_F(AllocationFailureTest, EvaluatingAStructureLeavesNoIteratorBehind) {
    resetModule("frame");
    t->setRklData(
        "module frame\ninterface start\npublic size integer = 1 to 10 default 5\n"
        "public wheel real\ninterface end\n"
        "if frame:size > 3 then set frame:wheel to 29.0 else set frame:wheel to 26.0 endif\n"
        "inform frame:wheel\n");
    std::unique_ptr<TestNode> root;
    ref_count_ptr<ZAMConditionExp> oldCondition;
    bool conditionSet = false;
    const auto states = [&] {
        std::string text = adapter.messageTexts();
        for (const std::string& entry : root->log()) {
            text += " " + entry;
        }
        return text;
    };
    Scenario scenario;
    scenario.setUp = [&] {
        root = std::make_unique<TestNode>(window, "root");
        TestNode& frame = root->add("frame", "frame");
        frame.add("wheel").setLoadIf("frame:size > 3");
        frame.add("bar").setLoadIf("frame:size > 100");
        frame.setLoadIf("m:a = 1");
        oldCondition = frame.getLoadIf();
        ZAMSelOptionSet chosen(window);
        ZAMSelOptionSet::ZAMSosEntry entry;
        entry.option = t->getOption("size");
#if !ZAMCORE_EARLIER_INTERFACE
        entry.values.push_back(ZAMValue::createInt(7));
        entry.howSets.push_back(ZAMSelOptionSet::UserSet);
#else
        entry.value = ZAMValue::createInt(7);
        entry.howSet = ZAMSelOptionSet::UserSet;
#endif
        chosen.set(entry);
        frame.setSos(chosen);
        window->setRoot(root.get());
        adapter.messages.clear();
        conditionSet = false;
    };
    scenario.work = [&] {
        root->child(0).setLoadIf("m:a = 1 or frame:size >= 1");
        conditionSet = true;
        window->evaluate(true);
    };
    scenario.checkFailed = [&] {
        EXPECT_EQ(0, TestNode::liveIterators);
        if (!conditionSet) {
            EXPECT_EQ(oldCondition.get(), root->child(0).getLoadIf().get());
        }
    };
    scenario.tearDown = [&] {
        window->setRoot(nullptr);
        oldCondition = ref_count_ptr<ZAMConditionExp>();
        root.reset();
    };
    scenario.setUp();
    scenario.work();
    const std::string expected = states();
    scenario.tearDown();
    scenario.checkCompleted = [&] { EXPECT_EQ(expected, states()); };
    failEachAllocation(scenario);
}

TEST_F(AllocationFailureTest, TranslatingAModuleTextReleasesWhatItBuilt) {
    const std::string text =
        "module old\r\ninterface start\r\npublic p presents m:lim[x]\r\npublic u uses m:s\r\n"
        "interface end\r\nset m:a to m:b + 1 # m:a\ninform \"m:a\"\n";
    std::string result;
    const auto translate = [&] {
        ZAMTranslater translater;
        translater.addModuleMapping("m", "new m");
        translater.addOptionMapping("m", "a", "if");
        result = translater.translateRklData("t", text);
    };
    translate();
    const std::string expected = result;
    Scenario scenario;
    scenario.setUp = [&] { result.clear(); };
    scenario.work = translate;
    scenario.checkCompleted = [&] { EXPECT_EQ(expected, result); };
    failEachAllocation(scenario);
}

}  // namespace
