#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <memory>
#include <string>
#include <vector>

#include "empty_host.h"

namespace {

// A host node that owns its children.
class BenchNode : public ZAMNode {
public:
    BenchNode(ref_count_ptr<ZAMWindow> window, const std::string& name, const std::string& moduleId,
              BenchNode* parent)
        : ZAMNode(window), name_(name), moduleId_(moduleId), parent_(parent) {}

    BenchNode& add(const std::string& name, const std::string& moduleId = "") {
        children_.push_back(std::make_unique<BenchNode>(window(), name, moduleId, this));
        return *children_.back();
    }
    void dropChildren() { children_.clear(); }

    ZAMNode* parent() const override { return parent_; }
    ZAMNodeIterator* children() override { return new Iterator(children_); }
    bool hasModule() const override { return !moduleId_.empty(); }
    std::string moduleId() const override { return moduleId_; }
    std::string pathName() const override { return name_; }

private:
    class Iterator : public ZAMNodeIterator {
    public:
        explicit Iterator(const std::vector<std::unique_ptr<BenchNode>>& nodes) : nodes_(nodes) {}
        bool hasMore() override { return index_ < nodes_.size(); }
        ZAMNode* current() override { return nodes_[index_].get(); }
        void next() override { ++index_; }

    private:
        const std::vector<std::unique_ptr<BenchNode>>& nodes_;
        std::size_t index_ = 0;
    };

    std::string name_;
    std::string moduleId_;
    BenchNode* parent_;
    std::vector<std::unique_ptr<BenchNode>> children_;
};

constexpr int kOptions = 10;
constexpr int kParts = 5;

struct ValidatorFixture {
    ref_count_ptr<ZAMWindow> window;

    ValidatorFixture() {
        window = zambench::openWindow();
        ref_count_ptr<ZAMModule> leaf = window->createModule("leaf");
        leaf->addOptionString("public l integer");
        ref_count_ptr<ZAMModule> sub = window->createModule("sub");
        std::string rules;
        for (int i = 0; i < kOptions; ++i) {
            const std::string option = "o" + std::to_string(i);
            sub->addOptionString((i % 2 == 0 ? "public " : "private ") + option + " integer");
            rules +=
                "if sub:" + option + " > 1 then set sub:o0 to leaf:l + sub:" + option + " endif\n";
        }
        sub->setRkl(rules);
        ref_count_ptr<ZAMModule> top = window->createModule("top");
        top->addOptionString("public x integer");
        top->addOptionString("public p presents sub:o0[g0.s0]");
        top->setRkl("set top:x to sub:o2 + sub:o4");
    }

    // A root of module top over `groups` plain groups, each holding one
    // instance of sub with kParts plain parts that have load-if conditions
    // and one instance of leaf: 1 + groups * (3 + kParts) nodes.
    std::unique_ptr<BenchNode> wideTree(int groups) {
        auto root = std::make_unique<BenchNode>(window, "root", "top", nullptr);
        for (int g = 0; g < groups; ++g) {
            BenchNode& group = root->add("g" + std::to_string(g));
            group.setLoadIf("top:x = 1");
            BenchNode& instance = group.add("s" + std::to_string(g), "sub");
            for (int p = 0; p < kParts; ++p) {
                instance.add("p" + std::to_string(p)).setLoadIf("sub:o1 = 2 and leaf:l = 3");
            }
            instance.add("leaf", "leaf");
        }
        return root;
    }
};

ValidatorFixture& validatorFixture() {
    static ValidatorFixture built;
    return built;
}

// Validating a whole structure of module instances, plain groups and parts
// with conditions; one item is one node.
void BM_ValidateWideTree(benchmark::State& state) {
    ValidatorFixture& built = validatorFixture();
    const int groups = static_cast<int>(state.range(0));
    std::unique_ptr<BenchNode> root = built.wideTree(groups);
    for (auto _ : state) {
        ZAMValidator validator;
        validator.validateNode(root.get(), true);
        benchmark::DoNotOptimize(validator.errors().data());
    }
    state.SetItemsProcessed(state.iterations() * (1 + groups * (3 + kParts)));
}
BENCHMARK(BM_ValidateWideTree)->Arg(100);

// Validating a chain of plain nodes below one module instance: the walk
// keeps its place on the heap, so the depth costs no stack.
void BM_ValidateDeepChain(benchmark::State& state) {
    ValidatorFixture& built = validatorFixture();
    const int depth = static_cast<int>(state.range(0));
    auto root = std::make_unique<BenchNode>(built.window, "root", "top", nullptr);
    std::vector<BenchNode*> chain{root.get()};
    for (int d = 0; d < depth; ++d) {
        chain.push_back(&chain.back()->add("n"));
    }
    for (auto _ : state) {
        ZAMValidator validator;
        validator.validateNode(root.get(), true);
        benchmark::DoNotOptimize(validator.errors().data());
    }
    state.SetItemsProcessed(state.iterations() * (depth + 1));
    // Released from the bottom up, so that the nodes' own destructors do not
    // recurse through the whole chain.
    for (auto node = chain.rbegin(); node != chain.rend(); ++node) {
        (*node)->dropChildren();
    }
}
BENCHMARK(BM_ValidateDeepChain)->Arg(100000);

}  // namespace
