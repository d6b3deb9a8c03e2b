#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "empty_host.h"

// Evaluation of a small product with and without a write trace callback. The
// untraced case is the one that must not get slower for the trace hook's
// sake; the file also builds against a library without the hook (then only
// the untraced case runs), to compare the two.

namespace {

class BenchIterator : public ZAMNodeIterator {
public:
    explicit BenchIterator(const std::vector<std::unique_ptr<ZAMNode>>& children)
        : children_(children) {}
    bool hasMore() override { return index_ < children_.size(); }
    ZAMNode* current() override { return children_[index_].get(); }
    void next() override { ++index_; }

private:
    const std::vector<std::unique_ptr<ZAMNode>>& children_;
    std::size_t index_ = 0;
};

class BenchNode : public ZAMNode {
public:
    BenchNode(ref_count_ptr<ZAMWindow> window, std::string name, std::string moduleId,
              BenchNode* parent)
        : ZAMNode(window),
          name_(std::move(name)),
          moduleId_(std::move(moduleId)),
          parent_(parent) {}

    BenchNode& add(const std::string& name, const std::string& moduleId) {
        children_.push_back(std::make_unique<BenchNode>(window(), name, moduleId, this));
        return static_cast<BenchNode&>(*children_.back());
    }

    ZAMNode* parent() const override { return parent_; }
    ZAMNodeIterator* children() override { return new BenchIterator(children_); }
    bool hasModule() const override { return !moduleId_.empty(); }
    std::string moduleId() const override { return moduleId_; }
    std::string pathName() const override { return name_; }

private:
    std::string name_;
    std::string moduleId_;
    BenchNode* parent_;
    std::vector<std::unique_ptr<ZAMNode>> children_;
};

constexpr int kParts = 100;

// A root standing for module "product" with kParts children standing for
// module "part": each part reads and writes eight options in twelve
// statements, so every evaluation makes some 2,000 writes.
struct Product {
    ref_count_ptr<ZAMWindow> window;
    std::unique_ptr<BenchNode> root;

    Product() : window(zambench::openWindow()) {
        ref_count_ptr<ZAMModule> product = window->createModule("product");
        product->addOptionString("public size integer = 1 to 100 default 10");
        product->setRkl("set product:size to 40");
        ref_count_ptr<ZAMModule> part = window->createModule("part");
        for (int i = 0; i < 8; ++i) {
            part->addOptionString("public o" + std::to_string(i) + " integer default " +
                                  std::to_string(i));
        }
        std::string rules;
        for (int i = 0; i < 8; ++i) {
            rules += "set part:o" + std::to_string(i) + " to part:o" + std::to_string((i + 1) % 8) +
                     " + 1\n";
        }
        rules += "if part:o1 > 3 then fix part:o2 to 7 else set part:o3 to 1 endif\n";
        rules += "if part:o4 = 5 then set part:o5 to part:o6 * 2 endif\n";
        part->setRkl(rules);
        root = std::make_unique<BenchNode>(window, "product", "product", nullptr);
        for (int i = 0; i < kParts; ++i) {
            root->add("part" + std::to_string(i), "part");
        }
        window->setRoot(root.get());
    }
};

Product& product() {
    static Product built;
    return built;
}

void BM_EvaluateProduct(benchmark::State& state) {
    Product& built = product();
    for (auto _ : state) {
        built.window->evaluate(true);
    }
    state.SetItemsProcessed(state.iterations() * kParts);
}
BENCHMARK(BM_EvaluateProduct);

#if __has_include(<zamcore/configuration/write_trace.h>)
void countWrite(const ZAMWriteTrace::Event&, void* context) {
    ++*static_cast<std::int64_t*>(context);
}

// The same with a callback that counts the writes.
void BM_EvaluateProductTraced(benchmark::State& state) {
    Product& built = product();
    std::int64_t writes = 0;
    ZAMWriteTrace::setCallback(countWrite, &writes);
    for (auto _ : state) {
        built.window->evaluate(true);
    }
    ZAMWriteTrace::setCallback(nullptr, nullptr);
    state.SetItemsProcessed(state.iterations() * kParts);
    state.counters["writes"] =
        benchmark::Counter(static_cast<double>(writes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EvaluateProductTraced);
#endif

}  // namespace
