#include <zamcore/zamcore.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "model/model_test_peer.h"
#include "support/window_fixture.h"

namespace {

using Peer = ZAMModelTestPeer;
using Value = ref_count_ptr<ZAMValue>;
using Option = ref_count_ptr<ZAMOption>;

Value I(int v) {
    return ZAMValue::createInt(v);
}

std::vector<int> reported;
void recordCode(int code) {
    reported.push_back(code);
}

// A window with a base module "base" holding the public integer option
// "width" (1 to 10, default 5), and an empty module "user".
class OptionTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        base = window->createModule("base");
        user = window->createModule("user");
        width = Peer::create(base, "width");
        Peer::addValue(width, new ZAMOptionRangeValue(new ZAMOptionMinIncValue(I(1)),
                                                      new ZAMOptionMaxIncValue(I(10))));
        Peer::setDefault(width, I(5));
    }
    void TearDown() override {
        width = Option();
        base = user = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    ref_count_ptr<ZAMModule> base;
    ref_count_ptr<ZAMModule> user;
    Option width;
};

TEST_F(OptionTest, IdsFollowCreationAndOrderOptionHandles) {
    Option z = Peer::create(user, "z");
    Option a = Peer::create(user, "a");
    EXPECT_EQ(width->id() + 1, z->id());
    EXPECT_EQ(z->id() + 1, a->id());
    std::vector<std::string> names;
    for (const Option& option : std::set<Option>{a, width, z}) {
        names.push_back(option->name());
    }
    EXPECT_EQ((std::vector<std::string>{"width", "z", "a"}), names);

    EXPECT_EQ(a.get(), ZAMOption::optionForId(a->id()).get());
    const int goneId = a->id();
    user->deleteOption("a");
    a = Option();
    EXPECT_ZAM_CODE(ZAMOption::optionForId(goneId), 110);
}

TEST_F(OptionTest, WrongTypeForBasedConstructorSpendsAnIdButIsNotEntered) {
    const int before = Peer::create(user, "probe")->id();
    try {
        Peer::basedOption(width, "user", "bad", ZAMOption::Presented);
        ADD_FAILURE() << "a presented type must be refused";
    } catch (const ZAMException& error) {
        EXPECT_EQ(2, error.code());
        EXPECT_EQ(
            "Option c'tor called for implements or uses with wrong type (i.e. not implements or "
            "uses)",
            error.info());
    }
    EXPECT_ZAM_CODE(ZAMOption::optionForId(before + 1), 110);
    EXPECT_EQ(before + 2, Peer::create(user, "next")->id());
}

TEST_F(OptionTest, FreshOptionStartsPlain) {
    Option legacy = user->declareLegacyOption("old");
    for (const Option& option : {Peer::create(user, "x"), legacy}) {
        EXPECT_TRUE(option->description().empty());
#if !ZAMCORE_EARLIER_INTERFACE
        EXPECT_FALSE(option->mandatory());
        EXPECT_TRUE(option->mutually_exclusive());
#endif
        EXPECT_TRUE(option->values().empty());
        EXPECT_EQ(ZAMValue::VT_UNSET, option->valueType());
        EXPECT_EQ(ZAMValue::VT_UNSET, option->defaultValue()->type());
        EXPECT_EQ(window.get(), option->window().get());
        EXPECT_EQ("user", option->moduleId());
        EXPECT_FALSE(option->basedOn());
    }
    EXPECT_EQ(ZAMOption::Legacy, legacy->scope());
}

TEST_F(OptionTest, FirstConstraintFixesTheValueKindOfADeclaredOption) {
    Option x = Peer::create(user, "X");
    Peer::addValue(x, new ZAMOptionEnumValue(I(1)));
    try {
        Peer::addValue(x, new ZAMOptionEnumValue(ZAMValue::createString("a")));
        ADD_FAILURE() << "string after integer";
    } catch (const ZAMException& error) {
        EXPECT_EQ(1, error.code());
        EXPECT_EQ("Tried to mix value types in option user:X", error.info());
    }
    EXPECT_EQ(1u, x->values().size());

    Option y = Peer::create(user, "Y");
    Peer::addValue(y, new ZAMOptionAnyIntValue());
    EXPECT_EQ(ZAMValue::VT_INT, y->valueType());
    EXPECT_ZAM_CODE(Peer::addValue(y, new ZAMOptionRangeValue(
                                          new ZAMOptionMinIncValue(ZAMValue::createReal(1.0)),
                                          new ZAMOptionMaxIncValue(ZAMValue::createReal(2.0)))),
                    1);
    Peer::addValue(y, new ZAMOptionMaxValue(I(100)));
    EXPECT_EQ(2u, y->values().size());
}

TEST_F(OptionTest, ValidateAndDefaultFollowTheConstraints) {
    Option bare = Peer::create(user, "bare");
    EXPECT_TRUE(bare->validateValue(ZAMValue::createUnset()));
    EXPECT_FALSE(bare->validateValue(I(1)));

    EXPECT_TRUE(width->validateValue(I(10)));
    EXPECT_FALSE(width->validateValue(I(11)));
    try {
        Peer::setDefault(width, I(11));
        ADD_FAILURE() << "11 is outside 1 to 10";
    } catch (const ZAMException& error) {
        EXPECT_EQ(105, error.code());
        EXPECT_EQ("11", error.info());
    }
    EXPECT_EQ(5, width->defaultValue()->intValue());
    Peer::setDefault(width, ZAMValue::createUnset());
    EXPECT_EQ(ZAMValue::VT_UNSET, width->defaultValue()->type());
}

TEST_F(OptionTest, ValuesOfAnotherKindAreRefusedWithoutAnError) {
    const Option impl = Peer::implement(user, "impl", width);
    for (const Value& value : {ZAMValue::createString("red"), ZAMValue::createBool(true)}) {
        EXPECT_FALSE(width->validateValue(value)) << value->displayString();
        EXPECT_FALSE(impl->validateValue(value)) << value->displayString();
    }
    EXPECT_ZAM_CODE(Peer::setDefault(width, ZAMValue::createString("red")), 105);
}

TEST_F(OptionTest, BasedOptionInheritsUntilItHasItsOwn) {
    Option shown = Peer::present(user, "shown", width, ZAMPath(std::vector<std::string>{"front"}));
    EXPECT_EQ(ZAMOption::Presented, shown->type());
    EXPECT_EQ(ZAMOption::Public, shown->scope());
    EXPECT_EQ("front", shown->path().toDisplayString());
    EXPECT_EQ(width.get(), shown->basedOn().get());
    EXPECT_EQ(ZAMValue::VT_INT, shown->valueType());
    EXPECT_EQ(1u, shown->values().size());
    EXPECT_EQ(5, shown->defaultValue()->intValue());
    EXPECT_TRUE(shown->validateValue(I(9)));

    Peer::addValue(shown, new ZAMOptionEnumValue(I(2)));
    Peer::addValue(shown, new ZAMOptionEnumValue(I(3)));
    EXPECT_FALSE(shown->validateValue(I(9))) << "own values replace the base's";
    EXPECT_EQ(5, shown->defaultValue()->intValue()) << "the default is still inherited";
    EXPECT_ZAM_CODE(Peer::setDefault(shown, I(5)), 105);
    Peer::setDefault(shown, I(3));
    EXPECT_EQ(3, shown->defaultValue()->intValue());

    // Declared again: back to inheriting, own default included.
    Peer::present(user, "shown", width);
    EXPECT_EQ(1u, shown->values().size());
    EXPECT_EQ(5, shown->defaultValue()->intValue());
}

TEST_F(OptionTest, BasedOptionKeepsItsBaseKindAndListsOnlyAllowedValues) {
    Option impl = Peer::implement(user, "impl", width);
    EXPECT_ZAM_CODE(Peer::addValue(impl, new ZAMOptionEnumValue(ZAMValue::createReal(2.0))), 112);
    try {
        Peer::addValue(impl, new ZAMOptionEnumValue(I(20)));
        ADD_FAILURE() << "20 is not allowed by the base";
    } catch (const ZAMException& error) {
        EXPECT_EQ(204, error.code());
        EXPECT_EQ("20", error.info());
        EXPECT_EQ("base:width", error.context());
        EXPECT_TRUE(error.extrainfo2().empty());
    }
    // Ranges are not checked against the base.
    Peer::addValue(impl, new ZAMOptionRangeValue(new ZAMOptionMinIncValue(I(0)),
                                                 new ZAMOptionMaxIncValue(I(50))));
    EXPECT_TRUE(impl->validateValue(I(40)));
    EXPECT_EQ(5, impl->defaultValue()->intValue());
}

TEST_F(OptionTest, ChainsResolveToTheDeclaredOptionAtTheEnd) {
    ref_count_ptr<ZAMModule> third = window->createModule("third");
    Option middle = Peer::implement(user, "middle", width);
    Option last = Peer::use(third, "last", middle);
    EXPECT_EQ(ZAMValue::VT_INT, last->valueType());
    EXPECT_EQ(5, last->defaultValue()->intValue());
    EXPECT_TRUE(last->validateValue(I(7)));
    EXPECT_FALSE(last->validateValue(I(70)));
}

TEST_F(OptionTest, FindOptionGivesPlaceholdersForWhatIsMissing) {
    EXPECT_EQ(width.get(), ZAMOption::findOption(window, "base", "width").get());

    Option missingOption = ZAMOption::findOption(window, "base", "nothing");
    Option missingModule = ZAMOption::findOption(window, "nowhere", "x");
    Option again = ZAMOption::findOption(window, "nowhere", "x");
    for (const Option& placeholder : {missingOption, missingModule, again}) {
        EXPECT_EQ(ZAMOption::Legacy, placeholder->scope());
        EXPECT_EQ(ZAMOption::Declared, placeholder->type());
#if !ZAMCORE_EARLIER_INTERFACE
        EXPECT_FALSE(placeholder->mandatory());
#endif
    }
    EXPECT_EQ("nowhere", missingModule->moduleId());
    EXPECT_EQ("x", missingModule->name());
    // Ids never return, so a lookup that fails again while the window's
    // modules and options stay as they are finds the same placeholder; once
    // they changed, a new one.
    EXPECT_EQ(missingModule.get(), again.get());
    EXPECT_EQ(missingOption.get(), ZAMOption::findOption(window, "base", "nothing").get());
    EXPECT_ZAM_CODE(base->getOption("nothing"), 102);
    EXPECT_EQ((std::vector<std::string>{"load:nowhere", "load:nowhere"}), adapter.calls);
    window->createModule("elsewhere");
    const Option afterChange = ZAMOption::findOption(window, "nowhere", "x");
    EXPECT_NE(missingModule.get(), afterChange.get());
    EXPECT_GT(afterChange->id(), again->id());
}

TEST_F(OptionTest, FindOptionPassesOtherFailuresOnAsPlainExceptions) {
    adapter.onLoad = [](ZAMWindow*, const std::string&) -> bool {
        throw ZAMSyntaxError("broken module", "ctx", 3);
    };
    ZAMException::setThrowCallback(&recordCode);
    reported.clear();
    try {
        ZAMOption::findOption(window, "broken", "x");
        ADD_FAILURE() << "the host's failure must pass";
    } catch (const ZAMSyntaxError&) {
        ADD_FAILURE() << "the copy is a plain exception";
    } catch (const ZAMException& error) {
        EXPECT_EQ(10, error.code());
        EXPECT_EQ("broken module", error.info());
        EXPECT_EQ(3, error.line());
    }
    EXPECT_EQ(std::vector<int>{10}, reported) << "the copy does not reach the callback";
}

TEST_F(OptionTest, DeletedBaseResolvesToAPlaceholder) {
    Option impl = Peer::implement(user, "impl", width);
    EXPECT_ZAM_CODE(base->deleteOption("width"), 109);
    user->deleteOption("impl");
    base->deleteOption("width");
    EXPECT_EQ(ZAMValue::VT_UNSET, impl->valueType());
    EXPECT_TRUE(impl->values().empty());
    EXPECT_EQ(ZAMOption::Legacy, impl->basedOn()->scope());
}

// Declaring a based option again on another base changes no module's
// options, yet the option reports the new base from then on.
TEST_F(OptionTest, RedeclaringOnAnotherBaseChangesTheBaseAtOnce) {
    Option height = Peer::create(base, "height");
    Option impl = Peer::implement(user, "impl", width);
    EXPECT_EQ(width.get(), impl->basedOn().get());
    Peer::implement(user, "impl", height);
    EXPECT_EQ(height.get(), impl->basedOn().get());
    EXPECT_EQ(height.get(), impl->basedOn().get());
}

TEST_F(OptionTest, BaseChainThatLoopsEndsNowhereInsteadOfRecursingForever) {
    Option a = Peer::implement(user, "a", width);
    Option b = Peer::implement(base, "b", a);
    // Declare a again, now on b: a -> b -> a.
    Peer::implement(user, "a", b);
    EXPECT_EQ(ZAMValue::VT_UNSET, a->valueType());
    EXPECT_TRUE(a->values().empty());
    EXPECT_EQ(ZAMValue::VT_UNSET, a->defaultValue()->type());
    EXPECT_FALSE(a->validateValue(I(1)));
}

TEST_F(OptionTest, ReferencesListBasedOptionsByModuleThenName) {
    ref_count_ptr<ZAMModule> another = window->createModule("another");
    Peer::use(user, "u2", width);
    Peer::implement(user, "u1", width);
    Peer::present(another, "p", width);
    Peer::create(another, "unrelated");
    EXPECT_TRUE(width->isReferenced());
    std::vector<std::string> names;
    for (const Option& option : width->references()) {
        names.push_back(option->moduleId() + ":" + option->name());
    }
    EXPECT_EQ((std::vector<std::string>{"another:p", "user:u1", "user:u2"}), names);
    EXPECT_FALSE(ZAMOption::findOption(window, "another", "unrelated")->isReferenced());
}

// Ids are never reused: after the last one, making an option fails instead
// of overflowing into ids that live options hold.
TEST_F(OptionTest, MakingAnOptionAfterTheLastIdThrows) {
    constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max();
    struct RestoreIds {
        std::int64_t next;
        ~RestoreIds() { Peer::setNextOptionId(next); }
    } restore{Peer::setNextOptionId(kLast)};

    const Option last = Peer::create(user, "last");
    EXPECT_EQ(kLast, last->id());
    EXPECT_EQ(last.get(), ZAMOption::optionForId(kLast).get());
    const std::function<void()> makers[] = {
        [&] { Peer::create(user, "declared"); },
        [&] { Peer::implement(user, "based", width); },
        [&] { user->addOptionString("public parsed integer"); },
        [&] { user->declareLegacyOption("legacy"); },
        [&] { ZAMOption::findOption(window, "nowhere", "placeholder"); },
    };
    for (const std::function<void()>& make : makers) {
        try {
            make();
            ADD_FAILURE() << "an option was made without an id";
        } catch (const ZAMException& error) {
            EXPECT_EQ(2, error.code());
            EXPECT_EQ("Option ids exhausted", error.info());
        }
    }
    EXPECT_EQ(std::vector<Option>{last}, user->options()) << "nothing half-made was entered";
    EXPECT_ZAM_CODE(user->getOption("legacy"), 102);
}

}  // namespace
