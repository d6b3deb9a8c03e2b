#include <zamcore/zamcore.h>

#include <string>
#include <utility>
#include <vector>

#include "lua_product.h"
#include "product_fixture.h"

namespace {

using zambench::Literal;
using zambench::OptionRef;

std::string describe(const Literal& value) {
    return value.unset ? "unset" : value.text() + " (kind " + std::to_string(int(value.kind)) + ")";
}

// The Lua rules are the reference the engine is timed against; they are
// only that if they compute what the engine computes, value for value.
TEST_F(ProductTest, LuaRulesLeaveTheEnginesValues) {
    zambench::LuaProduct lua(*product);
    const long luaBefore = lua.messages();
    const long messagesBefore = adapter->messages;
    for (int m = 0; m < static_cast<int>(product->modules.size()); ++m) {
        const zambench::ModuleSpec& spec = product->modules[static_cast<std::size_t>(m)];
        ZAMSelOptionSet set = zambench::defaultsFor(window, *product, m);
        window->getModule(spec.id)->getRkl()->execute(set);
        const std::vector<OptionRef> scope = spec.scope;
        const std::vector<Literal> expected = lua.rulesResult(m, scope);
        for (std::size_t i = 0; i < scope.size(); ++i) {
            const ref_count_ptr<ZAMOption> option = zambench::resolve(window, *product, scope[i]);
            const Literal engine = zambench::fromValue(set.get(option).values.front());
            ASSERT_EQ(describe(expected[i]), describe(engine))
                << product->reference(scope[i]) << " after the rules of " << spec.id << ":\n"
                << spec.rulesText;
        }
    }
    EXPECT_EQ(lua.messages() - luaBefore, adapter->messages - messagesBefore);
}

TEST_F(ProductTest, LuaConditionsGiveTheEnginesTruth) {
    buildStructure();
    zambench::LuaProduct lua(*product);
    const std::vector<std::pair<bool, bool>> expected = lua.conditionResults();
    const std::vector<std::vector<int>> byModule = zambench::conditionsByModule(*product);
    std::size_t j = 0;
    for (int m = 0; m < static_cast<int>(byModule.size()); ++m) {
        ZAMSelOptionSet set = zambench::defaultsFor(window, *product, m);
        window->getModule(product->modules[static_cast<std::size_t>(m)].id)->getRkl()->execute(set);
        for (int n : byModule[static_cast<std::size_t>(m)]) {
            ASSERT_LT(j, expected.size());
            const ref_count_ptr<ZAMConditionExp> condition =
                structure->nodes()[static_cast<std::size_t>(n)]->getLoadIf();
            EXPECT_EQ(expected[j], condition->getValue(set))
                << "node " << n << ": " << product->nodes[static_cast<std::size_t>(n)].loadIf;
            ++j;
        }
    }
    EXPECT_EQ(expected.size(), j);
}

}  // namespace
