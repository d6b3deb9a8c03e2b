#include "product_host.h"

#include <utility>

namespace zambench {
namespace {

class ProductIterator final : public ZAMNodeIterator {
public:
    explicit ProductIterator(const std::vector<ProductNode*>& children) : children_(children) {}
    bool hasMore() override { return next_ < children_.size(); }
    ZAMNode* current() override { return children_[next_]; }
    void next() override { ++next_; }

private:
    const std::vector<ProductNode*>& children_;
    std::size_t next_ = 0;
};

// The user's values of a module node, as the host hands them over.
void giveHostValues(ProductNode& node, const ref_count_ptr<ZAMWindow>& window,
                    const Product& product, const NodeSpec& spec) {
    const ModuleSpec& module = product.modules[static_cast<std::size_t>(spec.module)];
    ref_count_ptr<ZAMModule> engineModule = window->getModule(module.id);
    ZAMSelOptionSet values(window);
    for (const auto& hostValue : spec.hostValues) {
        ZAMSelOptionSet::ZAMSosEntry entry;
        entry.option =
            engineModule->getOption(module.options[static_cast<std::size_t>(hostValue.first)].name);
        entry.values.push_back(toValue(hostValue.second));
        entry.howSets.push_back(ZAMSelOptionSet::UserSet);
        values.set(entry);
    }
    node.setSos(values);
}

}  // namespace

ProductAdapter::ProductAdapter(const Product& product) {
    texts_.reserve(product.modules.size());
    for (const ModuleSpec& module : product.modules) {
        byId_.emplace(module.id, static_cast<int>(texts_.size()));
        texts_.push_back(module.sourceText());
    }
}

bool ProductAdapter::loadModule(ZAMWindow* window, const std::string& id) {
    const auto found = byId_.find(id);
    if (found == byId_.end()) {
        return false;
    }
    window->createModule(id)->setRklData(texts_[static_cast<std::size_t>(found->second)]);
    return true;
}

bool ProductAdapter::refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) {
    return true;
}

bool ProductAdapter::userMsg(ZAMWindow*, ZAM::MsgSeverity, const std::string&, ZAMNode*) {
    ++messages;
    return true;
}

ProductNode::ProductNode(ref_count_ptr<ZAMWindow> window, ProductNode* parent,
                         const std::string& name, const std::string& moduleId)
    : ZAMNode(std::move(window)), parent_(parent), name_(name), moduleId_(moduleId) {}

ZAMNodeIterator* ProductNode::children() {
    return new ProductIterator(children_);
}

void ProductNode::stateChanged(ConfigState) {
    ++stateChanges;
}

Structure::Structure(const ref_count_ptr<ZAMWindow>& window, const Product& product)
    : window_(window) {
    nodes_.reserve(product.nodes.size());
    for (const NodeSpec& spec : product.nodes) {
        ProductNode* parent =
            spec.parent < 0 ? nullptr : nodes_[static_cast<std::size_t>(spec.parent)].get();
        const std::string moduleId =
            spec.module < 0 ? "" : product.modules[static_cast<std::size_t>(spec.module)].id;
        nodes_.push_back(std::make_unique<ProductNode>(window, parent, spec.name, moduleId));
        ProductNode& node = *nodes_.back();
        if (parent != nullptr) {
            parent->adopt(&node);
        }
        if (!spec.loadIf.empty()) {
            node.setLoadIf(spec.loadIf);
        }
        if (!spec.hostValues.empty()) {
            giveHostValues(node, window, product, spec);
        }
    }
    window_->setRoot(nodes_.empty() ? nullptr : nodes_.front().get());
}

Structure::~Structure() {
    window_->setRoot(nullptr);
    window_->setCurrentlyEvaluating(nullptr);
}

ref_count_ptr<ZAMValue> toValue(const Literal& literal) {
    if (literal.unset) {
        return ZAMValue::createUnset();
    }
    switch (literal.kind) {
        case Kind::Logical:
            return ZAMValue::createBool(literal.b);
        case Kind::Int:
            return ZAMValue::createInt(literal.i);
        case Kind::Real:
            return ZAMValue::createReal(literal.r);
        case Kind::String:
            return ZAMValue::createString(literal.s);
    }
    return ZAMValue::createUnset();
}

Literal fromValue(const ref_count_ptr<ZAMValue>& value) {
    switch (value->type()) {
        case ZAMValue::VT_BOOL:
            return Literal::ofBool(value->boolValue());
        case ZAMValue::VT_INT:
            return Literal::ofInt(value->intValue());
        case ZAMValue::VT_REAL:
            return Literal::ofReal(value->realValue());
        case ZAMValue::VT_STRING:
            return Literal::ofString(value->strValue());
        case ZAMValue::VT_UNSET:
            break;
    }
    return Literal::none(Kind::Int);
}

void loadModules(const ref_count_ptr<ZAMWindow>& window, const Product& product) {
    for (const ModuleSpec& module : product.modules) {
        window->getModule(module.id);
    }
}

ref_count_ptr<ZAMOption> resolve(const ref_count_ptr<ZAMWindow>& window, const Product& product,
                                 const OptionRef& ref) {
    return window->getModule(product.modules[static_cast<std::size_t>(ref.module)].id)
        ->getOption(product.option(ref).name);
}

ZAMSelOptionSet defaultsFor(const ref_count_ptr<ZAMWindow>& window, const Product& product,
                            int module) {
    ZAMSelOptionSet set(window);
    for (const OptionRef& ref : product.modules[static_cast<std::size_t>(module)].scope) {
        set.get(resolve(window, product, ref));
    }
    return set;
}

}  // namespace zambench
