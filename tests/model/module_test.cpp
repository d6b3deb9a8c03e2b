#include <zamcore/zamcore.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "model/model_test_peer.h"
#include "support/window_fixture.h"

namespace {

using Peer = ZAMModelTestPeer;
using Option = ref_count_ptr<ZAMOption>;

std::vector<std::string> namesOf(const std::vector<Option>& options) {
    std::vector<std::string> names;
    for (const Option& option : options) {
        names.push_back(option->name());
    }
    return names;
}

class ModuleTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        provider = window->createModule("provider");
        module = window->createModule("m");
        shared = Peer::create(provider, "shared");
        secret = Peer::create(provider, "secret", ZAMOption::Private);
    }
    void TearDown() override {
        shared = secret = Option();
        provider = module = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    ref_count_ptr<ZAMModule> provider;
    ref_count_ptr<ZAMModule> module;
    Option shared;
    Option secret;
};

TEST_F(ModuleTest, RedeclarationKeepsTheObjectAndResetsItsValues) {
    Option first = Peer::create(module, "x");
    Peer::addValue(first, new ZAMOptionEnumValue(ZAMValue::createInt(1)));
    Peer::setDefault(first, ZAMValue::createInt(1));
    Option second = Peer::create(module, "x");
    EXPECT_EQ(first.get(), second.get());
    EXPECT_TRUE(second->values().empty());
    EXPECT_EQ(ZAMValue::VT_UNSET, second->valueType());
    EXPECT_EQ(ZAMValue::VT_UNSET, second->defaultValue()->type());
    EXPECT_EQ(first.get(), module->getOption("x").get());
}

TEST_F(ModuleTest, NameInUseWithAnotherTypeOrScopeThrows101) {
    Peer::create(module, "x");
    Peer::present(module, "p", shared);
    Peer::use(module, "u", shared);
    struct Attempt {
        const char* what;
        std::function<void()> run;
    };
    const Attempt attempts[] = {
        {"private x", [&] { Peer::create(module, "x", ZAMOption::Private); }},
        {"present x", [&] { Peer::present(module, "x", shared); }},
        {"declare p", [&] { Peer::create(module, "p"); }},
        {"implement u", [&] { Peer::implement(module, "u", shared); }},
        {"private use u", [&] { Peer::use(module, "u", shared, ZAMOption::Private); }},
    };
    for (const Attempt& attempt : attempts) {
        try {
            attempt.run();
            ADD_FAILURE() << attempt.what;
        } catch (const ZAMException& error) {
            EXPECT_EQ(101, error.code()) << attempt.what;
            EXPECT_EQ(std::string(attempt.what).substr(std::string(attempt.what).size() - 1),
                      error.info());
        }
    }
}

TEST_F(ModuleTest, OnlyPublicOptionsCanBePresentedImplementedOrUsed) {
    EXPECT_ZAM_CODE(Peer::present(module, "p", secret), 303);
    EXPECT_ZAM_CODE(Peer::use(module, "u", secret), 305);
    EXPECT_ZAM_CODE(Peer::implement(module, "i", secret), 306);
    EXPECT_TRUE(module->options().empty());
    EXPECT_FALSE(module->isModuleBoundary());
}

TEST_F(ModuleTest, ReusedOptionsAreRebasedAndUsedOptionsListedOnce) {
    Option other = Peer::create(provider, "other");
    Option presented = Peer::present(module, "p", shared, ZAMPath(std::vector<std::string>{"a"}));
    EXPECT_EQ(presented.get(),
              Peer::present(module, "p", other, ZAMPath(std::vector<std::string>{"b"})).get());
    EXPECT_EQ(other.get(), presented->basedOn().get());
    EXPECT_EQ("b", presented->path().toDisplayString());

    Option used = Peer::use(module, "u", shared);
    EXPECT_EQ(used.get(), Peer::use(module, "u", other).get());
    EXPECT_EQ(other.get(), used->basedOn().get());
    Option second = Peer::use(module, "v", shared);
    EXPECT_EQ((std::vector<std::string>{"u", "v"}), namesOf(module->usingOptions()));
    EXPECT_EQ(ZAMOption::Uses, second->type());
    EXPECT_EQ(ZAMOption::Implements, Peer::implement(module, "i", shared)->type());
}

TEST_F(ModuleTest, TestModeMakesOptionsWithoutTouchingTheModule) {
    Option existing = Peer::create(module, "x");
    ref_count_ptr<ZAMModule> fresh = window->createModule("fresh");
    fresh->setTestOptions(true);
    module->setTestOptions(true);
    Option again = Peer::create(module, "x", ZAMOption::Private);
    EXPECT_NE(existing.get(), again.get());
    EXPECT_EQ(ZAMOption::Private, again->scope());
    Option presented = Peer::present(fresh, "p", secret);  // no visibility check either
    Peer::use(fresh, "u", shared);
    EXPECT_EQ(ZAMOption::Presented, presented->type());
    EXPECT_TRUE(fresh->options().empty());
    EXPECT_TRUE(fresh->usingOptions().empty());
    EXPECT_FALSE(fresh->isModuleBoundary());
    EXPECT_EQ(existing.get(), module->getOption("x").get());
    EXPECT_EQ(ZAMOption::Public, module->getOption("x")->scope());
}

TEST_F(ModuleTest, LegacyOptionsStayOutOfTheInterface) {
    Option legacy = module->declareLegacyOption("old");
    EXPECT_ZAM_CODE(module->declareLegacyOption("old"), 101);
    EXPECT_EQ(legacy.get(), module->getOption("old").get());
    EXPECT_TRUE(module->options().empty());
    EXPECT_FALSE(module->isModuleBoundary());

    // The same name in the interface wins lookups.
    Option modern = Peer::create(module, "old");
    EXPECT_EQ(modern.get(), module->getOption("old").get());
    EXPECT_EQ((std::vector<std::string>{"old"}), namesOf(module->options()));
    EXPECT_TRUE(module->isModuleBoundary());
}

TEST_F(ModuleTest, LegacyScopeInTheInterfaceDoesNotMakeABoundary) {
    Peer::create(module, "l", ZAMOption::Legacy);
    EXPECT_EQ(1u, module->options().size());
    EXPECT_FALSE(module->isModuleBoundary());
}

TEST_F(ModuleTest, OptionsListInByteOrderOfNames) {
    for (const char* name : {"b", "B", "a", "_"}) {
        Peer::create(module, name);
    }
    EXPECT_EQ((std::vector<std::string>{"B", "_", "a", "b"}), namesOf(module->options()));
}

TEST_F(ModuleTest, DeleteOptionRespectsOptionsBasedOnIt) {
    Peer::present(module, "p", shared);
    EXPECT_ZAM_CODE(provider->deleteOption("shared"), 109);
    module->deleteOption("p");
    provider->deleteOption("shared");
    EXPECT_ZAM_CODE(provider->getOption("shared"), 102);
    EXPECT_ZAM_CODE(provider->deleteOption("shared"), 102);
}

TEST_F(ModuleTest, DeletingAUsedOptionDropsItFromTheUsingList) {
    Peer::use(module, "u", shared);
    Peer::use(module, "v", shared);
    module->deleteOption("u");
    EXPECT_EQ((std::vector<std::string>{"v"}), namesOf(module->usingOptions()));
    EXPECT_TRUE(module->isModuleBoundary()) << "the boundary flag is never cleared";
    module->deleteOption("v");
    EXPECT_TRUE(module->isModuleBoundary());
}

TEST_F(ModuleTest, DeletingALegacyNameRemovesOnlyTheLegacyOption) {
    module->declareLegacyOption("both");
    Peer::create(module, "both");
    module->deleteOption("both");  // the interface option goes first
    EXPECT_EQ(ZAMOption::Legacy, module->getOption("both")->scope());
    module->deleteOption("both");
    EXPECT_ZAM_CODE(module->getOption("both"), 102);
}

// Listing the referenced options looks them up, which may have the host
// reload this very module: the listing finishes on the rules and options it
// started with, whether the reload comes during the rules or the options.
TEST_F(ModuleTest, ReferencedOptionsFinishWhenTheHostReloadsTheModule) {
    adapter.onRefresh = [](ZAMWindow*, ref_count_ptr<ZAMModule> refreshed) {
        refreshed->setRklData(
            "module m\ninterface start\npublic other integer\ninterface end\nset m:other to 1\n");
        return true;
    };
    const struct {
        const char* text;
        std::vector<std::string> expected;
    } rows[] = {
        {"module m\ninterface start\npublic w presents provider:shared\ninterface end\n"
         "set m:w to provider:shared\n",
         {"m:w", "provider:shared"}},
        {"module m\ninterface start\npublic w presents provider:shared\ninterface end\n",
         {"provider:shared"}},
    };
    for (const auto& row : rows) {
        module->setRklData(row.text);
        window->moduleNeedsRefresh("m");
        std::set<Option> found;
        module->referencedOptions(found);
        std::vector<std::string> names;
        for (const Option& option : found) {
            names.push_back(option->moduleId() + ":" + option->name());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(row.expected, names) << row.text;
        EXPECT_EQ(std::vector<std::string>{"other"}, namesOf(module->options()));
    }
    EXPECT_EQ((std::vector<std::string>{"refresh:m", "refresh:m"}), adapter.calls);
}

// Declaring looks the base up, and the host may reload the module meanwhile
// with a text that drops the very name being declared: the declaration ends
// without recording a text for a name the module no longer has.
TEST_F(ModuleTest, AReloadDuringADeclarationLeavesTheModuleConsistent) {
    provider->addOptionString("public width integer = 1 to 9");
    const std::string declaration = "public w implements provider:width = 1, 2";
    module->setRklData("module m\ninterface start\n" + declaration + "\ninterface end\n");
    // The first refresh comes with reading the declaration, the second with
    // checking its values against the base.
    int refreshes = 0;
    adapter.onRefresh = [&](ZAMWindow* at, ref_count_ptr<ZAMModule>) {
        if (++refreshes == 1) {
            at->moduleNeedsRefresh("provider");
        } else {
            module->setRklData("module m\ninterface start\npublic other integer\ninterface end\n");
        }
        return true;
    };
    window->moduleNeedsRefresh("provider");
    module->addOptionString(declaration);
    EXPECT_EQ(2, refreshes);
    EXPECT_EQ(std::vector<std::string>{"other"}, namesOf(module->options()));
    EXPECT_ZAM_CODE(module->askOptionRkl("w"), 102);
    EXPECT_EQ("module m\ninterface start\npublic other integer\ninterface end\n",
              module->getRklData());
}

TEST_F(ModuleTest, AskOptionRklWithoutARecordedTextThrows102) {
    Peer::create(module, "x");
    try {
        module->askOptionRkl("x");
        ADD_FAILURE() << "nothing was recorded";
    } catch (const ZAMException& error) {
        EXPECT_EQ(102, error.code());
        EXPECT_EQ("x", error.info());
    }
}

}  // namespace
