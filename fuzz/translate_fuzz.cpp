// Translation: the input goes through all four translate operations (a
// declaration line, a rule text, a condition and a module source text for
// module "t"), once with a translator without renames and once with one
// whose renames need quoting or spacing: a module id with a space, one
// starting with a digit, a keyword, an empty name, a name with a quote, and
// plain names that may meet the next token.
//
// Properties:
// - renames never change whether a text is accepted, nor the error;
// - without renames a declaration, rule text or condition comes back
//   unchanged, and a module source text comes back in a form that
//   translates to itself;
// - a renamed text reads as the same tokens, comes back unchanged when
//   translated again (no rename maps to a name that is renamed itself), and
//   is accepted by the translator without renames, which returns it
//   unchanged.

#include <zamcore/zamcore.h>

#include "support/fuzz_world.h"

namespace {

using Operation = std::string (*)(ZAMTranslater&, const std::string&);

std::string option(ZAMTranslater& translater, const std::string& text) {
    return translater.translateOption(text);
}
std::string rules(ZAMTranslater& translater, const std::string& text) {
    return translater.translateRkl(text);
}
std::string condition(ZAMTranslater& translater, const std::string& text) {
    return translater.translateCondition(text);
}
std::string moduleText(ZAMTranslater& translater, const std::string& text) {
    return translater.translateRklData("t", text);
}

struct Translaters {
    Translaters() {
        renaming.addModuleMapping("m", "new m");
        renaming.addOptionMapping("m", "a", "if");
        renaming.addOptionMapping("m", "b", "b'q");
        renaming.addOptionMapping("m", "c", "c_2");
        renaming.addModuleMapping("base", "2base");
        renaming.addOptionMapping("base", "width", "size");
        renaming.addOptionMapping("t", "x", "");
    }

    ZAMTranslater none;
    ZAMTranslater renaming;
};

void check(Translaters& translaters, Operation operation, bool keepsTokens,
           const std::string& input) {
    std::string same;
    std::string renamed;
    const fuzz::Outcome plain = fuzz::attempt([&] { same = operation(translaters.none, input); });
    const fuzz::Outcome outcome =
        fuzz::attempt([&] { renamed = operation(translaters.renaming, input); });
    fuzz::require(plain == outcome, "renames changed whether the text is accepted", input);
    if (!plain.accepted) {
        return;
    }
    if (keepsTokens) {
        fuzz::require(same == input, "the translator without renames changed the text", input);
        fuzz::require(fuzz::tokenKinds(renamed) == fuzz::tokenKinds(input),
                      "the renamed text reads as other tokens", input);
    } else {
        fuzz::require(operation(translaters.none, same) == same,
                      "the translated module text translates to another", input);
    }
    std::string again;
    fuzz::require(fuzz::attempt([&] { again = operation(translaters.renaming, renamed); }).accepted,
                  "the renamed text was refused", input);
    fuzz::require(again == renamed, "renaming a renamed text changed it", input);
    fuzz::require(operation(translaters.none, renamed) == renamed,
                  "the renamed text changed without renames", input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    fuzz::CountedObjectsCheck counted(input);
    Translaters translaters;
    check(translaters, &option, true, input);
    check(translaters, &rules, true, input);
    check(translaters, &condition, true, input);
    check(translaters, &moduleText, false, input);
    return 0;
}
