// Rule texts: the input becomes the rules of module "t" of the shared world
// (fuzz_world.h), which already has rules of its own.
//
// Properties:
// - the parser and the translator without renames accept the same texts and
//   refuse the others with the same error;
// - a refused text keeps the old rules;
// - an accepted text writes back as given, the translator returns it
//   unchanged, and the text written back is accepted again and writes back
//   the same;
// - the rules run on a selected option set and list the options they refer
//   to, ending with a result or a ZAMException.

#include <zamcore/zamcore.h>

#include <set>

#include "support/fuzz_world.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    fuzz::CountedObjectsCheck counted(input);
    fuzz::World world;
    ref_count_ptr<ZAMModule> t = world.window->createModule("t");
    t->setRkl("set m:a to 1");
    const ref_count_ptr<ZAMExpRoot> old = t->getRkl();

    const fuzz::Outcome parsed = fuzz::attempt([&] { t->setRkl(input); });
    ZAMTranslater none;
    std::string translated;
    const fuzz::Outcome translation = fuzz::attempt([&] { translated = none.translateRkl(input); });
    fuzz::require(parsed == translation, "parser and translator disagree", input);
    if (!parsed.accepted) {
        fuzz::require(t->getRkl().get() == old.get(), "a refused text replaced the rules", input);
        return 0;
    }
    fuzz::require(translated == input, "the translator changed the text", input);
    const std::string written = t->getRkl()->rkl();
    fuzz::require(written == input, "the rules write back another text", input);
    ref_count_ptr<ZAMModule> copy = world.window->createModule("copy");
    fuzz::require(fuzz::attempt([&] { copy->setRkl(written); }).accepted,
                  "the written text was refused", input);
    fuzz::require(copy->getRkl()->rkl() == written, "the written text writes back another", input);

    ZAMSelOptionSet set(world.window);
    fuzz::attempt([&] { t->getRkl()->execute(set); });
    std::set<ref_count_ptr<ZAMOption>> referenced;
    fuzz::attempt([&] { t->getRkl()->referencedOptions(world.window, referenced); });
    return 0;
}
