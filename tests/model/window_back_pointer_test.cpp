#include <zamcore/zamcore.h>

#include <functional>
#include <string>

#include "support/window_fixture.h"

namespace {

using Option = ref_count_ptr<ZAMOption>;
using Module = ref_count_ptr<ZAMModule>;

class WindowBackPointerTest : public WindowFixture {};

// A host may keep modules and options after releasing their window. They then
// find the window gone instead of reading freed memory (which the sanitizer
// build would report).
TEST_F(WindowBackPointerTest, ObjectsKeptAfterTheirWindowFindItGone) {
    Module base = window->createModule("base");
    const Option width = base->addOptionString("public width integer = 1 to 10 default 5");
    const Module user = window->createModule("user");
    const Option kept = user->addOptionString("public u implements base:width");
    const Option legacy = user->declareLegacyOption("old");
    const Option placeholder = ZAMOption::findOption(window, "nowhere", "x");
    const Module deleted = window->createModule("gone");
    window->deleteModule("gone");
    base = Module();
    window = ref_count_ptr<ZAMWindow>();

    for (const Option& option : {width, kept, legacy, placeholder}) {
        EXPECT_FALSE(option->window()) << option->name();
    }
    EXPECT_FALSE(user->window());
    EXPECT_FALSE(deleted->window());

    struct Row {
        const char* what;
        std::function<void()> needsWindow;
    };
    const Row rows[] = {
        {"the kind of a based option", [&] { kept->valueType(); }},
        {"the values of a based option", [&] { kept->values(); }},
        {"the default of a based option", [&] { kept->defaultValue(); }},
        {"the base", [&] { kept->basedOn(); }},
        {"the references to an option", [&] { width->isReferenced(); }},
        {"the references to a placeholder", [&] { placeholder->references(); }},
        {"a lookup through the module's window",
         [&] { ZAMOption::findOption(user->window(), "base", "width"); }},
        {"a based declaration", [&] { deleted->addOptionString("public v uses base:width"); }},
        {"deleting an option", [&] { user->deleteOption("u"); }},
    };
    for (const Row& row : rows) {
        try {
            row.needsWindow();
            ADD_FAILURE() << row.what << ": no error";
        } catch (const ZAMException& error) {
            EXPECT_EQ(2, error.code()) << row.what;
            EXPECT_EQ("The window of this object no longer exists", error.info()) << row.what;
        }
    }

    // What needs no window goes on working.
    EXPECT_EQ(ZAMValue::VT_INT, width->valueType());
    EXPECT_TRUE(width->validateValue(ZAMValue::createInt(5)));
    EXPECT_EQ(ZAMOption::Declared, deleted->addOptionString("public plain integer")->type());
}

}  // namespace
