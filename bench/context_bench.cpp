#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "empty_host.h"

namespace {

constexpr int kUsed = 5;

// A structure node that owns its children; every node stands for a module.
class BenchNode : public ZAMNode {
public:
    BenchNode(ref_count_ptr<ZAMWindow> window, std::string name, std::string moduleId,
              BenchNode* parent)
        : ZAMNode(std::move(window)),
          name_(std::move(name)),
          moduleId_(std::move(moduleId)),
          parent_(parent) {}

    BenchNode& add(const std::string& name, const std::string& moduleId) {
        children_.push_back(std::make_unique<BenchNode>(window(), name, moduleId, this));
        return *children_.back();
    }

    ZAMNode* parent() const override { return parent_; }
    ZAMNodeIterator* children() override { return new Iterator(children_); }
    bool hasModule() const override { return true; }
    std::string moduleId() const override { return moduleId_; }
    std::string pathName() const override { return name_; }

private:
    using Children = std::vector<std::unique_ptr<BenchNode>>;

    class Iterator : public ZAMNodeIterator {
    public:
        explicit Iterator(const Children& children) : children_(children) {}
        bool hasMore() override { return index_ < children_.size(); }
        ZAMNode* current() override { return children_[index_].get(); }
        void next() override { ++index_; }

    private:
        const Children& children_;
        std::size_t index_ = 0;
    };

    std::string name_;
    std::string moduleId_;
    BenchNode* parent_;
    Children children_;
};

// Module "top" declares kUsed options and sits at the root; every other node
// stands for module "user", which uses all of them. Below the root runs a
// spine of `depth` user nodes, and each spine node has `width` user leaves.
struct Structure {
    ref_count_ptr<ZAMWindow> window;
    std::unique_ptr<BenchNode> root;
    BenchNode* deepest = nullptr;
    std::int64_t nodes = 1;

    Structure(int depth, int width) {
        window = zambench::openWindow();
        ref_count_ptr<ZAMModule> top = window->createModule("top");
        ref_count_ptr<ZAMModule> user = window->createModule("user");
        for (int i = 0; i < kUsed; ++i) {
            const std::string name = "o" + std::to_string(i);
            top->addOptionString("public " + name + " integer default " + std::to_string(i));
            user->addOptionString("public u" + std::to_string(i) + " uses top:" + name);
        }
        root = std::make_unique<BenchNode>(window, "root", "top", nullptr);
        window->setRoot(root.get());
        // Chosen values that differ from the defaults, so that they travel.
        ZAMSelOptionSet chosen(window);
        for (const ref_count_ptr<ZAMOption>& option : top->options()) {
            chosen.set(ZAMSelOptionSet::ZAMSosEntry{option,
                                                    ZAMPath(),
                                                    {ZAMValue::createInt(10 + option->id())},
                                                    {ZAMSelOptionSet::UserSet}});
        }
        root->setSos(chosen);
        BenchNode* spine = root.get();
        for (int level = 0; level < depth; ++level) {
            spine = &spine->add("s", "user");
            for (int leaf = 0; leaf < width; ++leaf) {
                deepest = &spine->add("l" + std::to_string(leaf), "user");
            }
            nodes += 1 + width;
        }
    }
    ~Structure() {
        root.reset();
        window = ref_count_ptr<ZAMWindow>();
    }
};

// A whole evaluation: every node below the root puts its set into context and
// reads its ancestors' sets for the used options. The time per node should
// not grow with the width.
void BM_EvaluateUsedOptions(benchmark::State& state) {
    Structure structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        structure.window->evaluate(true);
    }
    state.SetItemsProcessed(state.iterations() * structure.nodes);
}
BENCHMARK(BM_EvaluateUsedOptions)
    ->ArgNames({"depth", "width"})
    ->Args({10, 1})
    ->Args({10, 8})
    ->Args({50, 1})
    ->Args({50, 8})
    ->Unit(benchmark::kMicrosecond);

// getSos of the deepest leaf after an evaluation: its own set and every
// ancestor's are put into context again.
void BM_GetSosDeepest(benchmark::State& state) {
    Structure structure(static_cast<int>(state.range(0)), 1);
    structure.window->evaluate(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(&structure.deepest->getSos());
    }
}
BENCHMARK(BM_GetSosDeepest)->ArgName("depth")->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond);

}  // namespace
