#include "zamcore/configuration/validator.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "zamcore/configuration/instance_path.h"
#include "zamcore/configuration/node.h"
#include "zamcore/expressions/condition_exp.h"
#include "zamcore/expressions/exp_root.h"
#include "zamcore/model/module.h"
#include "zamcore/model/option.h"
#include "zamcore/model/window.h"

namespace {

using OptionSet = std::set<ref_count_ptr<ZAMOption>>;
using Children = std::unique_ptr<ZAMNodeIterator>;

// What a node sees: the options of its module instance's own module and the
// public options of the nearest module instances below, and where those
// instances are.
struct Context {
    bool sees(const ref_count_ptr<ZAMOption>& option) const { return visible.count(option) != 0; }
    // Whether a value presented at `path` to module `moduleId` reaches one of
    // the instances, as putting the instance's set into context decides.
    bool reachesInstance(const std::string& moduleId, const ZAMPath& path) const {
        return std::any_of(instances.begin(), instances.end(), [&](const Instance& instance) {
            return instance.first == moduleId && zamcore::presentedFit(instance.second, path) >= 0;
        });
    }

    OptionSet visible;
    // (module id, the instance's path inside its enclosing instance).
    using Instance = std::pair<std::string, ZAMPath>;
    std::vector<Instance> instances;
};

// The module `node` stands for, or null.
ref_count_ptr<ZAMModule> moduleOf(ZAMNode* node) {
    return node->hasModule() ? node->module() : ref_count_ptr<ZAMModule>();
}

// Gathers the context of `node`, standing for `module` (null for none):
// going down through nodes that are no boundary, it stops at each boundary
// met. Only a boundary's module can present options (presenting one makes the
// module a boundary), so only a boundary's context needs the instances'
// paths, and `withPaths` is false elsewhere. The walk keeps its iterators on
// the heap, so a deep structure costs no stack.
Context collectContext(ZAMNode* node, const ZAMModule* module, bool withPaths) {
    Context context;
    if (module != nullptr) {
        for (const ref_count_ptr<ZAMOption>& option : module->options()) {
            context.visible.insert(option);
        }
    }
    std::vector<Children> levels;
    levels.emplace_back(node->children());
    while (!levels.empty()) {
        if (!levels.back()->hasMore()) {
            levels.pop_back();
            continue;
        }
        ZAMNode* child = levels.back()->current();
        levels.back()->next();
        const ref_count_ptr<ZAMModule> childModule = moduleOf(child);
        if (!childModule || !childModule->isModuleBoundary()) {
            levels.emplace_back(child->children());
            continue;
        }
        if (withPaths) {
            context.instances.emplace_back(child->moduleId(), zamcore::instancePathOf(child));
        }
        for (const ref_count_ptr<ZAMOption>& option : childModule->options()) {
            if (option->scope() == ZAMOption::Public) {
                context.visible.insert(option);
            }
        }
    }
    return context;
}

// Checks nodes one at a time, appending what it finds.
class NodeCheck {
public:
    explicit NodeCheck(std::vector<ValidationError>& errors) : errors_(errors) {}

    // Checks `node`, whose parent's context is `given`. Returns the node's
    // own context when it is a boundary, which its children then see; null
    // when they see `given`.
    std::unique_ptr<Context> check(ZAMNode* node, const Context& given) {
        if (node->parent() != nullptr) {
            used_.clear();
            node->getLoadIf()->referencedOptions(node->window(), used_);
            reportHidden(ValidationError::LoadIfOptionNotVisible, node, given);
        }
        const ref_count_ptr<ZAMModule> module = moduleOf(node);
        if (!module) {
            return nullptr;
        }
        std::unique_ptr<Context> own;
        if (module->isModuleBoundary()) {
            own = std::make_unique<Context>(collectContext(node, module.get(), true));
        }
        const Context& context = own ? *own : given;
        checkPresented(node, *module, context);
        used_.clear();
        module->getRkl()->referencedOptions(node->window(), used_);
        reportHidden(ValidationError::RuleOptionNotVisible, node, context);
        return own;
    }

private:
    void checkPresented(ZAMNode* node, const ZAMModule& module, const Context& context) {
        for (const ref_count_ptr<ZAMOption>& option : module.options()) {
            if (option->type() != ZAMOption::Presented) {
                continue;
            }
            const ref_count_ptr<ZAMOption> base = option->basedOn();
            if (!context.sees(base)) {
                errors_.emplace_back(ValidationError::PresentedOptionNotVisible, node, option);
            } else if (!option->path().isEmpty() &&
                       !context.reachesInstance(base->moduleId(), option->path())) {
                errors_.emplace_back(ValidationError::PresentedPathNotFound, node, option);
            }
        }
    }

    // Reports the options in `used_` that `context` does not see.
    void reportHidden(ValidationError::ErrorCode code, ZAMNode* node, const Context& context) {
        for (const ref_count_ptr<ZAMOption>& option : used_) {
            if (!context.sees(option)) {
                errors_.emplace_back(code, node, option);
            }
        }
    }

    std::vector<ValidationError>& errors_;
    OptionSet used_;  // the options of one text, reused from node to node
};

// The children of one node still to be checked, with the context they see.
struct Pending {
    Pending(ZAMNode* node, std::unique_ptr<Context> ownContext, const Context& given)
        : children(node->children()), own(std::move(ownContext)), context(own ? *own : given) {}

    Children children;
    std::unique_ptr<Context> own;  // the node's own context at a boundary
    const Context& context;
};

}  // namespace

ZAMValidator::ZAMValidator() = default;

ZAMValidator::~ZAMValidator() = default;

// A validation started at a boundary has no enclosing context to check its
// load-if condition against; anywhere else it starts from the context of the
// node itself. The walk is pre-order with the iterators on the heap, so a
// deep structure costs no stack.
void ZAMValidator::validateNode(ZAMNode* node, bool recurse) {
    Context start;
    const ref_count_ptr<ZAMModule> module = moduleOf(node);
    if (!module || !module->isModuleBoundary()) {
        start = collectContext(node, module.get(), false);
    }
    NodeCheck check(errors_);
    std::unique_ptr<Context> own = check.check(node, start);
    if (!recurse) {
        return;
    }
    std::vector<Pending> pending;
    pending.emplace_back(node, std::move(own), start);
    while (!pending.empty()) {
        Pending& level = pending.back();
        if (!level.children->hasMore()) {
            pending.pop_back();
            continue;
        }
        ZAMNode* child = level.children->current();
        level.children->next();
        const Context& given = level.context;
        own = check.check(child, given);
        pending.emplace_back(child, std::move(own), given);
    }
}
