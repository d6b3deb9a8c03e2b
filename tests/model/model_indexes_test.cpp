#include <zamcore/zamcore.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/window_fixture.h"

namespace {

using Option = ref_count_ptr<ZAMOption>;

const std::map<std::string, std::string> kTexts = {
    {"A", "module A\ninterface start\npublic x integer\npublic y integer\ninterface end\n"},
    {"B", "module B\ninterface start\npublic p presents A:x[g]\ninterface end\n"},
    {"B2", "module B2\ninterface start\npublic p presents A:x[g]\ninterface end\n"},
};

// Modules and options are found by hash beside the window's and modules'
// maps; after each change below the lookups must still give exactly what
// the maps hold, and nothing the change took away.
class ModelIndexesTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        adapter.onLoad = [](ZAMWindow* w, const std::string& id) {
            const auto text = kTexts.find(id);
            if (text == kTexts.end()) {
                return false;
            }
            w->createModule(id)->setRklData(text->second);
            return true;
        };
        adapter.onRefresh = [](ZAMWindow*, ref_count_ptr<ZAMModule>) { return false; };
    }

    // Every module of the map found as itself, every option of each as
    // itself.
    void expectLookupsAgreeWithTheMaps() {
        std::vector<ref_count_ptr<ZAMModule>> modules;
        for (const auto& entry : window->moduleMap()) {
            modules.push_back(entry.second);
        }
        for (const ref_count_ptr<ZAMModule>& module : modules) {
            EXPECT_EQ(module.get(), window->getModule(module->id()).get()) << module->id();
            for (const Option& option : module->options()) {
                EXPECT_EQ(option.get(), module->getOption(option->name()).get())
                    << module->id() << ":" << option->name();
            }
        }
    }
};

TEST_F(ModelIndexesTest, LookupsFollowEveryChangeOfModulesAndOptions) {
    struct Row {
        const char* change;
        std::function<void(ZAMWindow&)> apply;
        std::vector<std::string> absentOptions;  // of module A
        std::vector<std::string> presentOptions;
        std::vector<std::string> absentModules;
    };
    const std::vector<Row> rows = {
        {"module deleted", [](ZAMWindow& w) { w.deleteModule("B"); }, {}, {"x", "y"}, {"B"}},
        {"module reloaded without an option",
         [](ZAMWindow& w) {
             w.getModule("A")->setRklData(
                 "module A\ninterface start\npublic x integer\ninterface end\n");
         },
         {"y"},
         {"x"},
         {}},
        {"option deleted",
         [](ZAMWindow& w) { w.getModule("A")->deleteOption("y"); },
         {"y"},
         {"x"},
         {}},
        {"option renamed",
         [](ZAMWindow& w) {
             ref_count_ptr<ZAMModule> a = w.getModule("A");
             a->changeOptionString(a->getOption("y"), "z", "public z integer");
         },
         {"y"},
         {"x", "z"},
         {}},
        {"rename that fails and is undone",
         [](ZAMWindow& w) {
             ref_count_ptr<ZAMModule> a = w.getModule("A");
             EXPECT_THROW(a->changeOptionString(a->getOption("y"), "z", "public z bogus"),
                          ZAMSyntaxError);
         },
         {"z"},
         {"x", "y"},
         {}},
        {"module refreshed away",
         [](ZAMWindow& w) {
             w.moduleNeedsRefresh("B");
             w.getModule("A");
         },
         {},
         {"x", "y"},
         {"B"}},
        {"module renamed by the host",
         [](ZAMWindow& w) {
             w.deleteModule("B");
             w.getModule("B2");
         },
         {},
         {"x", "y"},
         {"B"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        window = ZAM::createWindow();
        const ref_count_ptr<ZAMModule> before = window->getModule("B");
        const Option y = window->getModule("A")->getOption("y");
        row.apply(*window);

        expectLookupsAgreeWithTheMaps();
        ref_count_ptr<ZAMModule> a = window->getModule("A");
        for (const std::string& name : row.absentOptions) {
            EXPECT_ZAM_CODE(a->getOption(name), 102);
        }
        for (const std::string& name : row.presentOptions) {
            EXPECT_EQ(name, a->getOption(name)->name());
        }
        if (row.change == std::string("rename that fails and is undone")) {
            EXPECT_EQ(y.get(), a->getOption("y").get()) << "the option put back is the old one";
        }
        for (const std::string& id : row.absentModules) {
            EXPECT_EQ(0u, window->moduleMap().count(id));
            // A lookup now loads a new module instead of finding the old one.
            EXPECT_NE(before.get(), window->getModule(id).get());
        }
    }
}

}  // namespace
