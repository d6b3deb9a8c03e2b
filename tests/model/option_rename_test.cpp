#include <zamcore/zamcore.h>

#include <set>
#include <string>

#include "support/window_fixture.h"

namespace {

using Option = ref_count_ptr<ZAMOption>;

class OptionRenameTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        module = window->createModule("M");
        module->addOptionString("public width integer = 1 to 5 default 2");
        module->addOptionString("public height integer");
        module->setRkl(
            "if M:width = 1 then set M:height to M:width[a.b] + N:width endif # M:width");
        width = module->getOption("width");
    }
    void TearDown() override {
        width = Option();
        module = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    bool rulesReferTo(const Option& option) {
        std::set<Option> found;
        module->getRkl()->referencedOptions(window, found);
        return found.count(option) == 1;
    }

    ref_count_ptr<ZAMModule> module;
    Option width;
};

TEST_F(OptionRenameTest, RulesFollowTheNewNameAndRenamingBackRestoresTheText) {
    const std::string before = module->getRklData();
    const Option height = module->getOption("height");
    const Option renamed =
        module->changeOptionString(width, "breadth", "public breadth integer = 1 to 9 default 3");
    EXPECT_EQ(renamed.get(), module->getOption("breadth").get());
    EXPECT_EQ("3", renamed->defaultValue()->displayString());
    EXPECT_ZAM_CODE(module->getOption("width"), 102);
    EXPECT_EQ(height.get(), module->getOption("height").get());
    EXPECT_EQ("if M:breadth = 1 then set M:height to M:breadth[a.b] + N:width endif # M:width",
              module->getRkl()->rkl());
    EXPECT_TRUE(rulesReferTo(renamed));
    module->changeOptionString(renamed, "width", "public width integer = 1 to 5 default 2");
    EXPECT_EQ(before, module->getRklData());
}

TEST_F(OptionRenameTest, LegacyOptionsTestModeAndTheOwnRecordedLine) {
    const Option legacy = module->declareLegacyOption("old");
    const std::string before = module->getRklData();
    EXPECT_EQ(legacy.get(), module->changeOptionString(legacy, "new", "public new integer").get());
    module->setTestOptions(true);
    EXPECT_EQ("breadth",
              module->changeOptionString(width, "breadth", "public breadth real")->name());
    module->setTestOptions(false);
    EXPECT_EQ(before, module->getRklData());
    EXPECT_EQ(width.get(), module->getOption("width").get());
    EXPECT_ZAM_CODE(module->changeOptionString(Option(), "x", "public x real"), 102);
    // The line handed in may be the recorded one, which the rename replaces.
    module->changeOptionString(width, "width", module->askOptionRkl("width"));
    EXPECT_EQ(before, module->getRklData());
}

TEST_F(OptionRenameTest, AFailedRenameLeavesTheModuleAsItWas) {
    struct Row {
        const char* declaration;
        int code;
        const char* declaredFirst;  // a line declared before the rename, or null
    };
    const Row rows[] = {
        {"public breadth nonsense", 10, nullptr},
        {"public breadth integer = 1 to 5 default 9", 10, nullptr},
        {"public breadth integer extra", 10, nullptr},  // declared, then refused
        {"private height integer", 101, nullptr},
        // Read back, a recorded line with a line break is two lines: the first
        // declares q again, differently, and the second fails.
        {"public breadth integer", 10, "public q integer # note\n= 1 to 3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.declaration);
        if (row.declaredFirst != nullptr) {
            module->addOptionString(row.declaredFirst);
        }
        const std::string before = module->getRklData();
        EXPECT_ZAM_CODE(module->changeOptionString(width, "breadth", row.declaration), row.code);
        EXPECT_EQ(before, module->getRklData());
        EXPECT_EQ(width.get(), module->getOption("width").get());
        EXPECT_ZAM_CODE(module->getOption("breadth"), 102);
        EXPECT_TRUE(rulesReferTo(width));
        EXPECT_FALSE(width->validateValue(ZAMValue::createInt(9)));
    }
    EXPECT_FALSE(module->getOption("q")->validateValue(ZAMValue::createInt(7)));
}

}  // namespace
