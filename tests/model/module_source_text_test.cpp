#include <zamcore/zamcore.h>

#include <string>

#include "support/caught_error.h"
#include "support/window_fixture.h"

namespace {

class ModuleSourceTextTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        module = window->createModule("A");
    }
    void TearDown() override {
        module = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    std::string errorOf(const std::string& text) {
        return catchSyntaxError([&] { module->setRklData(text); }).info;
    }

    ref_count_ptr<ZAMModule> module;
};

TEST_F(ModuleSourceTextTest, WritesHeaderInterfaceInNameOrderAndRulesVerbatim) {
    EXPECT_EQ("", module->getRklData());
    module->declareLegacyOption("old");
    EXPECT_EQ("", module->getRklData());
    module->setRkl("inform 1\n");
    EXPECT_EQ("module A\ninterface start\ninterface end\ninform 1\n", module->getRklData());
    module->addOptionString("public width integer  = 1 to 5 # kept as written");
    module->addOptionString("private angle real");
    module->setRkl("# rules\nif A:width = 1 then\n  set A:angle to 2.5\nendif");
    EXPECT_EQ(
        "module A\ninterface start\nprivate angle real\n"
        "public width integer  = 1 to 5 # kept as written\ninterface end\n"
        "# rules\nif A:width = 1 then\n  set A:angle to 2.5\nendif",
        module->getRklData());
}

TEST_F(ModuleSourceTextTest, ReadingBackKeepsOptionsTextsAndRules) {
    module->addOptionString("public width integer = 1 to 5 default 2");
    module->addOptionString("public colour string = \"red\", \"blue\"");
    module->setRkl("set A:width to 3");
    ref_count_ptr<ZAMOption> width = module->getOption("width");
    const std::string text = module->getRklData();
    module->setRklData(text);
    EXPECT_EQ(text, module->getRklData());
    EXPECT_EQ(width.get(), module->getOption("width").get());
    EXPECT_EQ("2", module->getOption("width")->defaultValue()->displayString());
    EXPECT_EQ(2u, module->options().size());
}

TEST_F(ModuleSourceTextTest, BlankLinesAndCarriageReturnsAreLineBreaks) {
    module->setRklData(
        "\r\n\nmodule A\r\ninterface start\r\n\r\npublic a integer\r\n\npublic b logical\r\n"
        "interface end\r\n\r\n\nset A:a to 1\r\n");
    EXPECT_EQ("public a integer", module->askOptionRkl("a"));
    EXPECT_EQ("public b logical", module->askOptionRkl("b"));
    EXPECT_EQ("set A:a to 1\r\n", module->getRkl()->rkl());
}

TEST_F(ModuleSourceTextTest, MalformedHeadersAreRefusedAndChangeNothing) {
    module->addOptionString("public keep integer");
    module->setRkl("inform 1");
    const std::string before = module->getRklData();
    struct Row {
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"modul A\ninterface start\ninterface end\n",
         "Expected \"module\" statement as top line of RKL"},
        {"\n\n", "Expected \"module\" statement as top line of RKL"},
        {"module  A\ninterface start\ninterface end\n",
         "RKL module statement \"module  A\" does not match this module's id of \"A\"."},
        {"module B\n",
         "RKL module statement \"module B\" does not match this module's id of \"A\"."},
        {"module A\npublic x integer\ninterface end\n", "Expected \"interface start\""},
        {"module A\ninterface start \ninterface end\n", "Expected \"interface start\""},
        {"module A\n", "Expected \"interface start\""},
    };
    for (const Row& row : rows) {
        const CaughtError error = catchSyntaxError([&] { module->setRklData(row.text); });
        EXPECT_EQ(row.message, error.info) << row.text;
        EXPECT_EQ(0, error.line);
        EXPECT_EQ("", error.context);
        EXPECT_EQ(before, module->getRklData());
    }
    module->setRklData("");
    EXPECT_EQ(before, module->getRklData());
}

TEST_F(ModuleSourceTextTest, AnErrorInTheInterfaceKeepsWhatCameBefore) {
    module->addOptionString("public old integer");
    module->setRkl("inform 1");
    EXPECT_THROW(module->setRklData("module A\ninterface start\npublic a integer\n"
                                    "public b nonsense\ninterface end\ninform 2"),
                 ZAMSyntaxError);
    EXPECT_EQ("public a integer", module->askOptionRkl("a"));
    EXPECT_EQ("public old integer", module->askOptionRkl("old"));
    EXPECT_EQ("inform 1", module->getRkl()->rkl());

    EXPECT_EQ("Ran out of lines parsing RKL interface - did you forget an \"interface end\" line",
              errorOf("module A\ninterface start\npublic c integer\n"));
    EXPECT_EQ("public c integer", module->askOptionRkl("c"));
    EXPECT_EQ(3u, module->options().size());
}

TEST_F(ModuleSourceTextTest, AnErrorInTheRulesComesAfterTheInterface) {
    module->addOptionString("public old integer");
    module->setRkl("inform 1");
    const CaughtError error = catchSyntaxError([&] {
        module->setRklData(
            "module A\ninterface start\npublic a integer\ninterface end\n"
            "inform 2\nset A:a 3");
    });
    // Lines count from the first line of the rule text.
    EXPECT_EQ(2, error.line);
    EXPECT_EQ("public a integer", module->askOptionRkl("a"));
    EXPECT_ZAM_CODE(module->getOption("old"), 102);
    EXPECT_EQ("inform 1", module->getRkl()->rkl());
}

TEST_F(ModuleSourceTextTest, UndeclaredOptionsGoEvenWhenOthersAreBasedOnThem) {
    module->addOptionString("public gone integer");
    module->addOptionString("public kept integer");
    module->declareLegacyOption("legacy");
    ref_count_ptr<ZAMModule> other = window->createModule("B");
    other->addOptionString("public p presents A:gone");
    module->setRklData("module A\ninterface start\npublic kept integer\ninterface end\n");
    EXPECT_ZAM_CODE(module->askOptionRkl("gone"), 102);
    EXPECT_EQ(1u, module->options().size());
    EXPECT_EQ(ZAMOption::Legacy, module->getOption("legacy")->scope());
    other = ref_count_ptr<ZAMModule>();
}

TEST_F(ModuleSourceTextTest, TranslatedSourceTextsTakeTheNewIdAndRenames) {
    ZAMTranslater translater;
    translater.addModuleMapping("A", "C");
    EXPECT_EQ("", translater.translateRklData("B", ""));
    EXPECT_EQ(
        "module B\ninterface start\npublic p presents C:x # A:x\npublic q integer\n"
        "interface end\nset C:x to 1\r\n\r\ninform \"A:x\"",
        translater.translateRklData(
            "B",
            "module A\r\ninterface start\r\n\r\npublic p presents A:x # A:x\r\n"
            "public q integer\r\ninterface end\r\n\r\nset A:x to 1\r\n\r\ninform \"A:x\""));
    const char* const broken[] = {
        "interface start\ninterface end\n",
        "module A\npublic q integer\n",
        "module A\ninterface start\npublic q integer\n",
        "module A\ninterface start\npublic q nonsense\ninterface end\n",
    };
    for (const char* text : broken) {
        EXPECT_THROW(translater.translateRklData("B", text), ZAMSyntaxError) << text;
    }
}

}  // namespace
