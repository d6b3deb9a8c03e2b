#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "support/window_fixture.h"

namespace {

// A root node that records how the window evaluated it.
class RecordingNode : public ZAMNode {
public:
    using ZAMNode::ZAMNode;
    int evaluations = 0;
    bool lastFlag = false;
    ZAMWindow* setWindow = nullptr;

    ZAMNode* parent() const override { return nullptr; }
    ZAMNodeIterator* children() override { return nullptr; }
    bool hasModule() const override { return false; }
    std::string moduleId() const override { return ""; }
    std::string pathName() const override { return ""; }
    void evaluate(const ZAMSelOptionSet& set, bool updateState) override {
        ++evaluations;
        lastFlag = updateState;
        setWindow = const_cast<ZAMSelOptionSet&>(set).window().get();
    }
};

class WindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        // By default the host supplies any module it is asked for.
        adapter.onLoad = [](ZAMWindow* w, const std::string& id) {
            w->createModule(id);
            return true;
        };
    }
};

TEST_F(WindowTest, CreateModuleRefusesADuplicateId) {
    ref_count_ptr<ZAMModule> first = window->createModule("m");
    EXPECT_EQ("m", first->id());
    EXPECT_EQ(window.get(), first->window().get());
    EXPECT_FALSE(first->isExternal());
    EXPECT_ZAM_CODE(window->createModule("m"), 301);
    EXPECT_EQ(first.get(), window->getModule("m").get());
    EXPECT_TRUE(adapter.calls.empty());
}

TEST_F(WindowTest, ModulesCompareByIdAndListInByteOrder) {
    window->createModule("b");
    window->createModule("B");
    window->createModule("a");
    std::vector<std::string> ids;
    for (const auto& entry : window->moduleMap()) {
        ids.push_back(entry.first);
    }
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b"}), ids);
    EXPECT_TRUE(*window->getModule("a") == *window->getModule("a"));
    EXPECT_FALSE(*window->getModule("a") == *window->getModule("b"));
}

TEST_F(WindowTest, MissingModuleIsLoadedOnceAndFlaggedOnlyForExternalLookups) {
    ref_count_ptr<ZAMModule> loaded = window->getModule("ext", true);
    EXPECT_EQ("ext", loaded->id());
    EXPECT_TRUE(loaded->isExternal());
    EXPECT_EQ(loaded.get(), window->getModule("ext").get());
    EXPECT_EQ(std::vector<std::string>{"load:ext"}, adapter.calls);

    EXPECT_FALSE(window->getModule("internal")->isExternal());
    window->createModule("own");
    EXPECT_FALSE(window->getModule("own", true)->isExternal()) << "found modules stay as they are";
}

TEST_F(WindowTest, ModuleTheHostDoesNotSupplyThrows302) {
    adapter.onLoad = [](ZAMWindow*, const std::string&) { return false; };
    try {
        window->getModule("gone");
        FAIL() << "loadModule answered false";
    } catch (const ZAMException& error) {
        EXPECT_EQ(302, error.code());
        EXPECT_EQ("gone", error.info());
        EXPECT_TRUE(error.context().empty() && error.extrainfo2().empty());
    }
    adapter.onLoad = [](ZAMWindow* w, const std::string&) {
        w->createModule("something-else");
        return true;
    };
    EXPECT_ZAM_CODE(window->getModule("gone"), 302);
    EXPECT_EQ(1u, window->moduleMap().count("something-else"));
}

TEST_F(WindowTest, RefreshPassRunsOncePerMarkInIdOrderBeforeTheLookup) {
    window->createModule("b");
    window->createModule("a");
    window->createModule("c");
    window->moduleNeedsRefresh("c");
    window->moduleNeedsRefresh("a");
    window->moduleNeedsRefresh("a");
    window->moduleNeedsRefresh("unknown");
    adapter.onRefresh = [](ZAMWindow*, ref_count_ptr<ZAMModule>) { return true; };

    window->getModule("new");
    EXPECT_EQ((std::vector<std::string>{"refresh:a", "refresh:c", "load:new"}), adapter.calls);
    adapter.calls.clear();
    window->getModule("b");
    EXPECT_TRUE(adapter.calls.empty()) << "marks are consumed by one lookup";
}

TEST_F(WindowTest, RefreshAnsweredFalseDeletesTheModule) {
    window->createModule("a");
    window->moduleNeedsRefresh("a");
    adapter.onRefresh = [](ZAMWindow*, ref_count_ptr<ZAMModule>) { return false; };
    ref_count_ptr<ZAMModule> reloaded = window->getModule("a");
    EXPECT_EQ((std::vector<std::string>{"refresh:a", "load:a"}), adapter.calls);
    EXPECT_EQ(reloaded.get(), window->moduleMap().at("a").get());
}

TEST_F(WindowTest, MarksMadeDuringThePassWaitForTheNextLookup) {
    window->createModule("a");
    window->createModule("b");
    window->moduleNeedsRefresh("a");
    adapter.onRefresh = [](ZAMWindow* w, ref_count_ptr<ZAMModule> module) {
        if (module->id() == "a") {
            w->moduleNeedsRefresh("b");
        }
        return true;
    };
    window->getModule("a");
    EXPECT_EQ(std::vector<std::string>{"refresh:a"}, adapter.calls);
    window->getModule("a");
    EXPECT_EQ((std::vector<std::string>{"refresh:a", "refresh:b"}), adapter.calls);
}

TEST_F(WindowTest, DeletedModuleLosesItsMarkAndNeverReachesTheHostAsNull) {
    window->createModule("a");
    window->createModule("b");
    window->moduleNeedsRefresh("a");
    window->moduleNeedsRefresh("b");
    window->deleteModule("a");
    window->deleteModule("not-there");
    bool sawNull = false;
    adapter.onRefresh = [&sawNull](ZAMWindow*, ref_count_ptr<ZAMModule> module) {
        sawNull = sawNull || !module;
        return true;
    };
    window->getModule("b");
    EXPECT_FALSE(sawNull);
    EXPECT_EQ(std::vector<std::string>{"refresh:b"}, adapter.calls);
    EXPECT_EQ(0u, window->moduleMap().count("a"));
}

TEST_F(WindowTest, HostDeletingAMarkedModuleDuringThePassIsSkipped) {
    window->createModule("a");
    window->createModule("b");
    window->moduleNeedsRefresh("a");
    window->moduleNeedsRefresh("b");
    adapter.onRefresh = [](ZAMWindow* w, ref_count_ptr<ZAMModule>) {
        w->deleteModule("b");
        return true;
    };
    window->getModule("a");
    EXPECT_EQ(std::vector<std::string>{"refresh:a"}, adapter.calls);
    EXPECT_EQ(0u, window->moduleMap().count("b"));
}

TEST_F(WindowTest, ExternalsNeedRefreshMarksOnlyExternalModules) {
    window->getModule("x1", true);
    window->getModule("x2", true);
    window->getModule("plain");
    window->createModule("own");
    adapter.calls.clear();
    adapter.onRefresh = [](ZAMWindow*, ref_count_ptr<ZAMModule>) { return true; };
    window->externalsNeedRefresh();
    window->getModule("own");
    EXPECT_EQ((std::vector<std::string>{"refresh:x1", "refresh:x2"}), adapter.calls);
}

TEST_F(WindowTest, RefreshFailureLosesTheRemainingMarks) {
    window->createModule("a");
    window->createModule("b");
    window->moduleNeedsRefresh("a");
    window->moduleNeedsRefresh("b");
    adapter.onRefresh = [](ZAMWindow*, ref_count_ptr<ZAMModule>) -> bool {
        throw ZAMException(77, "host", "", "");
    };
    EXPECT_ZAM_CODE(window->getModule("a"), 77);
    adapter.calls.clear();
    window->getModule("a");
    EXPECT_TRUE(adapter.calls.empty());
}

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(WindowTest, VariantsModeAnswersBothQueries) {
    struct Row {
        int mode;
        bool modular;
        bool legacy;
    };
    EXPECT_FALSE(window->evaluateModular());
    EXPECT_TRUE(window->evaluateLegacy());
    for (Row row : {Row{0, true, false}, Row{1, true, true}, Row{2, false, true},
                    Row{3, false, false}, Row{-1, false, false}}) {
        window->setVariantsMode(static_cast<ZAMWindow::VariantsMode>(row.mode));
        EXPECT_EQ(row.mode, window->askVariantsMode());
        EXPECT_EQ(row.modular, window->evaluateModular()) << "mode " << row.mode;
        EXPECT_EQ(row.legacy, window->evaluateLegacy()) << "mode " << row.mode;
    }
}
#endif

TEST_F(WindowTest, EvaluateHandsTheRootAFreshSetOfThisWindow) {
    window->evaluate(true);  // no root: nothing happens

    RecordingNode root(window);
    window->setRoot(&root);
    EXPECT_EQ(&root, window->askRoot());
    window->evaluate(false);
    EXPECT_EQ(1, root.evaluations);
    EXPECT_FALSE(root.lastFlag);
    EXPECT_EQ(window.get(), root.setWindow);
    window->evaluate(true);
    EXPECT_TRUE(root.lastFlag);

    window->setCurrentlyEvaluating(&root);
    EXPECT_EQ(&root, window->currentlyEvaluating());
    window->setRoot(nullptr);
}

TEST_F(WindowTest, ReleasingTheWindowReleasesItsModules) {
    const int before = liveObjects();
    window->createModule("a");
    window->getModule("b");
    EXPECT_EQ(before + 2, liveObjects());
    window->deleteModule("a");
    EXPECT_EQ(before + 1, liveObjects());
    window = ref_count_ptr<ZAMWindow>();
    EXPECT_EQ(before - 1, liveObjects());
}

}  // namespace
