#ifndef ZAMCORE_BENCH_PRODUCT_HOST_H
#define ZAMCORE_BENCH_PRODUCT_HOST_H

#include <zamcore/zamcore.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "product_generator.h"

// A host application for a generated product: it supplies the modules from
// their source texts, mirrors the structure as nodes and gives some module
// nodes the user's values.
namespace zambench {

// Supplies the product's modules when a window asks for one, and accepts
// every rule message (counting them).
class ProductAdapter : public ZAM::AdapterInterface {
public:
    explicit ProductAdapter(const Product& product);

    bool loadModule(ZAMWindow* window, const std::string& id) override;
    bool refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) override;
    bool userMsg(ZAMWindow* window, ZAM::MsgSeverity severity, const std::string& message,
                 ZAMNode* node) override;

    const std::string& sourceText(int module) const {
        return texts_[static_cast<std::size_t>(module)];
    }

    long messages = 0;

private:
    std::vector<std::string> texts_;
    std::unordered_map<std::string, int> byId_;
};

// A node of the product's structure; it knows its children and counts the
// state changes it is told of and how often its evaluation got past its
// condition.
class ProductNode final : public ZAMNode {
public:
    ProductNode(ref_count_ptr<ZAMWindow> window, ProductNode* parent, const std::string& name,
                const std::string& moduleId);

    void adopt(ProductNode* child) { children_.push_back(child); }

    ZAMNode* parent() const override { return parent_; }
    ZAMNodeIterator* children() override;
    bool hasModule() const override { return !moduleId_.empty(); }
    std::string moduleId() const override { return moduleId_; }
    std::string pathName() const override { return name_; }
    void stateChanged(ConfigState state) override;
    void evaluateLegacyExpressions() override { ++evaluations; }

    int stateChanges = 0;
    int evaluations = 0;

private:
    ProductNode* parent_;
    std::string name_;
    std::string moduleId_;
    std::vector<ProductNode*> children_;  // owned by the structure
};

// The product's structure in a window: every node with its load-if
// condition and the host's values, the root set as the window's root.
class Structure {
public:
    Structure(const ref_count_ptr<ZAMWindow>& window, const Product& product);
    ~Structure();
    Structure(const Structure&) = delete;
    Structure& operator=(const Structure&) = delete;

    // In the order of the product's nodes.
    const std::vector<std::unique_ptr<ProductNode>>& nodes() const { return nodes_; }

private:
    ref_count_ptr<ZAMWindow> window_;
    std::vector<std::unique_ptr<ProductNode>> nodes_;
};

ref_count_ptr<ZAMValue> toValue(const Literal& literal);
Literal fromValue(const ref_count_ptr<ZAMValue>& value);

// Loads every module of the product into `window` through the installed
// adapter, parents first.
void loadModules(const ref_count_ptr<ZAMWindow>& window, const Product& product);

ref_count_ptr<ZAMOption> resolve(const ref_count_ptr<ZAMWindow>& window, const Product& product,
                                 const OptionRef& ref);

// A set holding the default of every option in the module's scope.
ZAMSelOptionSet defaultsFor(const ref_count_ptr<ZAMWindow>& window, const Product& product,
                            int module);

}  // namespace zambench

#endif
