#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "product_fixture.h"

zambench::Product* ProductTest::product = nullptr;

namespace {

using zambench::generateProduct;
using zambench::Product;

// A value as the generator writes it: strings in double quotes.
std::string toText(const ref_count_ptr<ZAMValue>& value) {
    return zambench::fromValue(value).text();
}

TEST(ProductGeneratorTest, TheSeedAloneDecidesTheProduct) {
    const Product first = generateProduct(50, 7);
    const Product again = generateProduct(50, 7);
    const Product other = generateProduct(50, 8);
    std::string firstTexts;
    std::string againTexts;
    std::string otherTexts;
    for (std::size_t m = 0; m < first.modules.size(); ++m) {
        firstTexts += first.modules[m].sourceText();
        againTexts += again.modules[m].sourceText();
        otherTexts += other.modules[m].sourceText();
    }
    EXPECT_EQ(firstTexts, againTexts);
    EXPECT_NE(firstTexts, otherTexts);
}

// Ten nodes per module, parents listed before their children, and every
// module instance below the root reached through a group of its parent's.
TEST(ProductGeneratorTest, EveryModuleHasTenNodesBelowItsParentsGroup) {
    for (int modules : {1, 2, 40}) {
        const Product product = generateProduct(modules, 3);
        ASSERT_EQ(static_cast<std::size_t>(modules) * 10, product.nodes.size());
        EXPECT_EQ(modules * 10, product.statements);
        std::vector<int> moduleNodes(static_cast<std::size_t>(modules), 0);
        for (std::size_t n = 0; n < product.nodes.size(); ++n) {
            const zambench::NodeSpec& node = product.nodes[n];
            ASSERT_LT(node.parent, static_cast<int>(n));
            if (node.module < 0) {
                continue;
            }
            ++moduleNodes[static_cast<std::size_t>(node.module)];
            const int parentModule = product.modules[static_cast<std::size_t>(node.module)].parent;
            if (parentModule < 0) {
                EXPECT_EQ(-1, node.parent);
                continue;
            }
            const zambench::NodeSpec& group = product.nodes[static_cast<std::size_t>(node.parent)];
            const zambench::NodeSpec& unit = product.nodes[static_cast<std::size_t>(group.parent)];
            EXPECT_EQ(parentModule, unit.module) << "module " << node.module;
        }
        EXPECT_EQ(std::vector<int>(static_cast<std::size_t>(modules), 1), moduleNodes);
    }
}

// Tiny products leave child and parent slots empty, where declared options
// stand in for the presented, implemented and used ones.
TEST_F(ProductTest, TinyProductsLoadValidateAndEvaluate) {
    for (int modules : {1, 2, 4}) {
        const Product tiny = generateProduct(modules, 5);
        zambench::ProductAdapter tinyAdapter(tiny);
        ZAM::initialize(&tinyAdapter);
        ref_count_ptr<ZAMWindow> tinyWindow = ZAM::createWindow();
        zambench::loadModules(tinyWindow, tiny);
        {
            zambench::Structure tinyStructure(tinyWindow, tiny);
            ZAMValidator validator;
            validator.validateNode(tinyStructure.nodes().front().get(), true);
            EXPECT_TRUE(validator.errors().empty()) << modules << " modules";
            tinyWindow->evaluate(true);
            EXPECT_EQ(1, tinyStructure.nodes().front()->evaluations) << modules << " modules";
        }
    }
    ZAM::initialize(adapter.get());
}

TEST_F(ProductTest, EveryModuleLoadsWithItsOptionsRulesAndBases) {
    for (const zambench::ModuleSpec& spec : product->modules) {
        ref_count_ptr<ZAMModule> module = window->getModule(spec.id);
        ASSERT_EQ(30u, module->options().size()) << spec.id;
        EXPECT_EQ(spec.rulesText, module->getRkl()->rkl());
        // A base that failed to resolve would be a placeholder of scope Legacy.
        for (const ref_count_ptr<ZAMOption>& option : module->options()) {
            if (option->type() != ZAMOption::Declared) {
                EXPECT_NE(ZAMOption::Legacy, option->basedOn()->scope())
                    << spec.id << ":" << option->name();
            }
        }
        EXPECT_EQ(spec.parent < 0 ? 0u : 2u, module->usingOptions().size()) << spec.id;
    }
}

// Every reference a text makes is visible where it is made, and every
// presented path names an instance below.
TEST_F(ProductTest, TheStructureValidatesClean) {
    buildStructure();
    ZAMValidator validator;
    validator.validateNode(structure->nodes().front().get(), true);
    for (const ValidationError& error : validator.errors()) {
        ADD_FAILURE() << "finding " << error.code() << " for " << error.option()->moduleId() << ":"
                      << error.option()->name();
    }
}

// The conditions of module nodes and groups are made to hold, so that the
// whole structure is evaluated; those of the parts vary.
TEST_F(ProductTest, EvaluationReachesEveryModuleInstance) {
    buildStructure();
    window->evaluate(true);
    int partsIn = 0;
    int partsOut = 0;
    for (std::size_t n = 0; n < product->nodes.size(); ++n) {
        const zambench::NodeSpec& spec = product->nodes[n];
        const zambench::ProductNode& node = *structure->nodes()[n];
        const bool part = spec.name[0] == 'p' && spec.module < 0;
        if (!part) {
            EXPECT_EQ(1, node.evaluations) << "node " << n << " " << spec.loadIf;
            continue;
        }
        partsIn += node.isNodeConfigured() == ZAMNode::Configured ? 1 : 0;
        partsOut += node.isNodeConfigured() == ZAMNode::NotConfigured ? 1 : 0;
    }
    EXPECT_GT(partsIn, 600);
    EXPECT_GT(partsOut, 600);
    EXPECT_GT(adapter->messages, 0);
}

// The host's values of a module node survive its evaluation: no rule writes
// the inputs they are given for.
TEST_F(ProductTest, HostValuesStayInTheirModuleInstances) {
    buildStructure();
    window->evaluate(true);
    int checked = 0;
    for (std::size_t n = 0; n < product->nodes.size(); ++n) {
        const zambench::NodeSpec& spec = product->nodes[n];
        for (const auto& hostValue : spec.hostValues) {
            const zambench::ModuleSpec& module =
                product->modules[static_cast<std::size_t>(spec.module)];
            const ref_count_ptr<ZAMOption> option = window->getModule(module.id)->getOption(
                module.options[static_cast<std::size_t>(hostValue.first)].name);
            const ZAMSelOptionSet::ZAMSosEntry& entry = structure->nodes()[n]->getSos().get(option);
            EXPECT_EQ(hostValue.second.text(), toText(entry.values.front())) << module.id;
            // A value equal to the default leaves even the how-set Default.
            const bool isDefault =
                hostValue.second ==
                module.options[static_cast<std::size_t>(hostValue.first)].defaultValue;
            EXPECT_EQ(isDefault ? ZAMSelOptionSet::Default : ZAMSelOptionSet::UserSet,
                      entry.howSets.front())
                << module.id;
            ++checked;
        }
    }
    EXPECT_GT(checked, 400);
}

// A module's presented option reaches the first child instance by its path,
// and used options take the value of the providing instance: the root's width
// and the parent's lit (the host's value where it gave one).
TEST_F(ProductTest, PresentedAndUsedValuesReachTheirInstances) {
    buildStructure();
    window->evaluate(true);
    std::vector<const zambench::ProductNode*> nodeOf(product->modules.size());
    for (std::size_t n = 0; n < product->nodes.size(); ++n) {
        const int module = product->nodes[n].module;
        if (module >= 0) {
            nodeOf[static_cast<std::size_t>(module)] = structure->nodes()[n].get();
        }
    }
    auto valueIn = [&](int module, const char* name) {
        const std::string& id = product->modules[static_cast<std::size_t>(module)].id;
        const ZAMSelOptionSet& set = nodeOf[static_cast<std::size_t>(module)]->getSos();
        return set.get(window->getModule(id)->getOption(name)).values.front()->displayString();
    };
    int presented = 0;
    for (int k = 1; k < static_cast<int>(product->modules.size()); ++k) {
        const zambench::ModuleSpec& spec = product->modules[static_cast<std::size_t>(k)];
        EXPECT_EQ(valueIn(0, "width"), valueIn(k, "base_w")) << spec.id;
        EXPECT_EQ(valueIn(spec.parent, "lit"), valueIn(k, "base_lit")) << spec.id;
        if (spec.children[0] >= 0) {
            EXPECT_EQ(valueIn(k, "size_a"), valueIn(spec.children[0], "size")) << spec.id;
            presented += valueIn(k, "size_a") != "100" ? 1 : 0;
        }
    }
    EXPECT_GT(presented, 20);  // rules changed some of them
}

}  // namespace
