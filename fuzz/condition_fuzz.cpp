// Load-if conditions: the input becomes the condition of a node standing for
// module "m" of the shared world (fuzz_world.h), below a root node.
//
// Properties:
// - the parser and the translator without renames accept the same texts and
//   refuse the others with the same error (except the empty text, which
//   removes a node's condition);
// - a refused text keeps the old condition;
// - an accepted text writes back as given, the translator returns it
//   unchanged, and the text written back is accepted again and writes back
//   the same;
// - the condition evaluates, and the structure evaluates, to a result or a
//   ZAMException.

#include <zamcore/zamcore.h>

#include "support/fuzz_world.h"
#include "support/test_node.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    fuzz::CountedObjectsCheck counted(input);
    fuzz::World world;
    TestNode root(world.window, "root");
    TestNode& node = root.add("node", "m");
    node.add("leaf");
    node.setLoadIf("m:a = 1");
    const ref_count_ptr<ZAMConditionExp> old = node.getLoadIf();

    const fuzz::Outcome parsed = fuzz::attempt([&] { node.setLoadIf(input); });
    if (input.empty()) {
        fuzz::require(parsed.accepted && node.getLoadIf().get() != old.get(),
                      "the empty text did not remove the condition", input);
        return 0;
    }
    ZAMTranslater none;
    std::string translated;
    const fuzz::Outcome translation =
        fuzz::attempt([&] { translated = none.translateCondition(input); });
    fuzz::require(parsed == translation, "parser and translator disagree", input);
    if (!parsed.accepted) {
        fuzz::require(node.getLoadIf().get() == old.get(), "a refused text replaced the condition",
                      input);
        return 0;
    }
    fuzz::require(translated == input, "the translator changed the text", input);
    const std::string written = node.getLoadIf()->rkl();
    fuzz::require(written == input, "the condition writes back another text", input);
    TestNode other(world.window, "other");
    fuzz::require(fuzz::attempt([&] { other.setLoadIf(written); }).accepted,
                  "the written text was refused", input);
    fuzz::require(other.getLoadIf()->rkl() == written, "the written text writes back another",
                  input);

    ZAMSelOptionSet set(world.window);
    fuzz::attempt([&] { node.getLoadIf()->getValue(set); });
    world.window->setRoot(&root);
    fuzz::attempt([&] { world.window->evaluate(true); });
    fuzz::require(TestNode::liveIterators == 0, "evaluation left a child iterator behind", input);
    return 0;
}
