// A host that changes the product while the engine works on it. The input
// builds a small product (four modules chosen from a table of module texts,
// a tree of up to eight nodes with load-if conditions and own values) and a
// script: for each host callback (loadModule, refreshModule, userMsg,
// allowOptionOverride, legacy reads, the write trace and the node hooks) the
// actions to take on its first calls: reload a module, replace its rules,
// delete, create or mark one, replace a node's condition or own values,
// validate or evaluate again, throw. The rest of the input is the host's own
// calls: evaluations, validations, own set reads, option lookups.
//
// Properties: nothing but a ZAMException leaves the engine, and every
// counted object made is released again (the sanitizers see the rest).
//
// Every byte is read as a choice from a short list (0 once the input is
// used up), so most mutations change the product or the script, not the
// validity of the input.

#include <zamcore/zamcore.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/fuzz_world.h"
#include "support/test_node.h"

namespace {

constexpr std::size_t kModules = 4;
const std::array<const char*, kModules> kModuleIds = {"a", "b", "c", "d"};

// Module texts: "$" stands for the module's own id, "1" and "2" after "%"
// for the next two ids (a presents b and c, b presents c and d, ...).
const std::array<const char*, 6> kModuleTexts = {
    "module $\ninterface start\npublic x integer = 1 to 9 default 2\n"
    "public y string = \"p\", \"q\" default \"p\"\nprivate z logical\ninterface end\n"
    "if $:x > 1 then\n  set $:y to \"q\"\n  inform \"x above one\"\nelif %1:x = 3 then\n"
    "  fix $:x to 4\nelse\n  warn \"nothing\"\nendif\nset %1:x to $:x + 1\n",

    "module $\ninterface start\npublic x integer = 1 to 9 default 3\n"
    "public px presents %1:x[frame] default 5\npublic qx presents %2:x\n"
    "public uy uses %1:y\npublic ix implements %2:x\ninterface end\n"
    "set $:px to $:x\nif $:uy = \"q\" then\n  error \"uy is q\"\nendif\n"
    "mutually_exclusive : [x, px]\n",

    "module $\ninterface start\npublic x integer non_mutually_exclusive = 1, 2, 3\n"
    "public y string = \"p\", \"q\"\npublic uz uses %2:y\ninterface end\n"
    "set $:x to 2\nset $:x to 3\nset nosuch:opt to 1\n"
    "if gone:x = 1 or %1:x > 2 then\n  inform \"dangling\"\nendif\n"
    "mutually_exclusive : {y.p, x.2}\n",

    "module $\ninterface start\ninterface end\ninform \"no options\"\nset %1:x to 7\n",

    "module $\ninterface start\npublic y string = \"p\", \"q\" default \"q\"\n"
    "public x integer = 1 to 9 default 9\npublic pw presents %2:y[bay.frame]\ninterface end\n"
    "set %2:y to $:y\nwarn \"reloaded\"\n",

    "module $\ninterface start\npublic x integer =\ninterface end\n",
};

const std::array<const char*, 5> kRules = {"", "set $:x to 5\ninform \"rules replaced\"",
                                           "if %1:x = 7 then\n  set $:y to \"p\"\nendif",
                                           "error \"stop\"", "set $:x to"};

const std::array<const char*, 8> kConditions = {
    "",        "a:x > 1",    "b:y = \"q\"", "c:x = 2 or d:x = 3",
    "not a:z", "gone:x = 1", "b:px = 5",    "a:x >"};

const std::array<const char*, 5> kNames = {"", "frame", "bay", "x", "frame"};

// Replaces the placeholders of a module text for module `at`.
std::string expand(const char* pattern, std::size_t at) {
    std::string text;
    for (const char* c = pattern; *c != '\0'; ++c) {
        if (*c == '$') {
            text += kModuleIds[at];
        } else if (*c == '%' && (c[1] == '1' || c[1] == '2')) {
            text += kModuleIds[(at + static_cast<std::size_t>(c[1] - '0')) % kModules];
            ++c;
        } else {
            text += *c;
        }
    }
    return text;
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool more() const { return at_ < size_; }
    std::size_t pick(std::size_t count) { return more() ? data_[at_++] % count : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

enum Trigger : std::size_t {
    Load,
    Refresh,
    Message,
    Override,
    LegacyRead,
    Trace,
    ChildrenHook,
    StateHook,
    OtherHook,
    kTriggers
};

enum Verb : std::size_t {
    Reload,
    ReplaceRules,
    DeleteModule,
    CreateModule,
    MarkRefresh,
    SetLoadIf,
    SetOwnValues,
    ClearOwnValues,
    Validate,
    Evaluate,
    Throw,
    Refuse,  // refreshModule answers false, userMsg false
    kVerbs
};

struct Action {
    Verb verb;
    std::size_t module;
    std::size_t choice;
    std::size_t node;
};

// Actions inside actions are bounded: an evaluation started by a callback
// calls back again.
constexpr int kActionBudget = 48;
constexpr int kNesting = 3;

class Host : public ZAM::AdapterInterface {
public:
    explicit Host(Reader& reader) {
        for (std::size_t& variant : variants_) {
            variant = reader.pick(kModuleTexts.size() + 1);  // the last: none
        }
    }

    void script(Reader& reader) {
        const std::size_t count = reader.pick(24);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t trigger = reader.pick(kTriggers);
            Action action{static_cast<Verb>(reader.pick(kVerbs)), reader.pick(kModules),
                          reader.pick(kModuleTexts.size()), reader.pick(8)};
            actions_[trigger].push_back(action);
        }
    }

    void setWindow(ZAMWindow* window) { window_ = window; }

    bool tracing() const { return !actions_[Trace].empty(); }

    void setNodes(std::vector<TestNode*> nodes) {
        nodes_ = std::move(nodes);
        for (TestNode* node : nodes_) {
            node->onHook = [this](const std::string& hook) {
                react(hook == "children"                  ? ChildrenHook
                      : hook.compare(0, 6, "state=") == 0 ? StateHook
                                                          : OtherHook);
            };
        }
    }

    // Reads module `at` in its current text, creating it when needed;
    // nothing for a module the host does not have.
    void supply(std::size_t at) {
        if (variants_[at] >= kModuleTexts.size()) {
            return;
        }
        ref_count_ptr<ZAMModule> module;
        auto found = window_->moduleMap().find(kModuleIds[at]);
        module = found != window_->moduleMap().end() ? found->second
                                                     : window_->createModule(kModuleIds[at]);
        module->setRklData(expand(kModuleTexts[variants_[at]], at));
    }

    bool loadModule(ZAMWindow*, const std::string& id) override {
        const bool refused = react(Load);
        for (std::size_t at = 0; at < kModules; ++at) {
            if (id == kModuleIds[at] && variants_[at] < kModuleTexts.size() && !refused) {
                if (window_->moduleMap().count(id) == 0) {
                    supply(at);
                }
                return true;
            }
        }
        return false;
    }

    bool refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) override { return !react(Refresh); }

    bool userMsg(ZAMWindow*, ZAM::MsgSeverity, const std::string&, ZAMNode*) override {
        return !react(Message);
    }

    bool allowOptionOverride(const ZAMSelOptionSet::ZAMSosEntry& existing, const ZAMNode* node,
                             ZAMSelOptionSet::HowSet howSet) override {
        react(Override);
        return ZAM::AdapterInterface::allowOptionOverride(existing, node, howSet);
    }

    ref_count_ptr<ZAMValue> getLegacyOptionValue(ZAMWindow*,
                                                 const ref_count_ptr<ZAMOption>&) override {
        react(LegacyRead);
        return ZAMValue::createInt(1);
    }

    static void traced(const ZAMWriteTrace::Event&, void* context) {
        static_cast<Host*>(context)->react(Trace);
    }

    // Takes the next action scripted for `trigger`, if any; true when it
    // was a refusal.
    bool react(Trigger trigger) {
        std::deque<Action>& queue = actions_[trigger];
        if (queue.empty() || budget_ <= 0 || nesting_ >= kNesting) {
            return false;
        }
        const Action action = queue.front();
        queue.pop_front();
        --budget_;
        ++nesting_;
        struct Leave {
            int& nesting;
            ~Leave() { --nesting; }
        } leave{nesting_};
        return act(action);
    }

    // Gives `node` one own value: an option of module `at` (x, y or the
    // presented px), one of a few values, set as one of the host's how-sets.
    void setOwnValues(ZAMNode& node, std::size_t at, std::size_t choice) {
        static const std::array<const char*, 3> names = {"x", "y", "px"};
        static const std::array<ZAMSelOptionSet::HowSet, 3> hows = {
            ZAMSelOptionSet::UserSet, ZAMSelOptionSet::UserFixed, ZAMSelOptionSet::Imposed};
        ZAMSelOptionSet set(node.window());
        ZAMSelOptionSet::ZAMSosEntry entry;
        entry.option = ZAMOption::findOption(window_, kModuleIds[at], names[choice % 3]);
        entry.values.push_back(choice % 2 == 0 ? ZAMValue::createInt(static_cast<int>(choice))
                                               : ZAMValue::createString("q"));
        entry.howSets.push_back(hows[choice % 3]);
        set.set(entry);
        node.setSos(set);
    }

private:
    bool act(const Action& action) {
        const std::string id = kModuleIds[action.module];
        TestNode* node = nodes_.empty() ? nullptr : nodes_[action.node % nodes_.size()];
        switch (action.verb) {
            case Reload:
                variants_[action.module] = action.choice;
                if (window_->moduleMap().count(id) != 0) {
                    supply(action.module);
                }
                return false;
            case ReplaceRules:
                if (window_->moduleMap().count(id) != 0) {
                    window_->moduleMap().at(id)->setRkl(
                        expand(kRules[action.choice % kRules.size()], action.module));
                }
                return false;
            case DeleteModule:
                window_->deleteModule(id);
                return false;
            case CreateModule:
                supply(action.module);
                return false;
            case MarkRefresh:
                window_->moduleNeedsRefresh(id);
                return false;
            case SetLoadIf:
                if (node != nullptr) {
                    node->setLoadIf(kConditions[action.choice % kConditions.size()]);
                }
                return false;
            case SetOwnValues:
                if (node != nullptr) {
                    setOwnValues(*node, action.module, action.choice);
                }
                return false;
            case ClearOwnValues:
                if (node != nullptr) {
                    node->clearSos();
                }
                return false;
            case Validate:
                if (node != nullptr) {
                    ZAMValidator().validateNode(node, true);
                }
                return false;
            case Evaluate:
                window_->evaluate(action.choice % 2 == 0);
                return false;
            case Throw:
                throw ZAMException(static_cast<int>(400 + action.choice), "host", "", "");
            default:
                return true;
        }
    }

    ZAMWindow* window_ = nullptr;
    std::array<std::size_t, kModules> variants_{};
    std::array<std::deque<Action>, kTriggers> actions_;
    std::vector<TestNode*> nodes_;
    int budget_ = kActionBudget;
    int nesting_ = 0;
};

// Up to eight nodes, each below one made before it.
std::vector<TestNode*> buildTree(Reader& reader, TestNode& root) {
    std::vector<TestNode*> nodes{&root};
    const std::size_t count = reader.pick(8);
    for (std::size_t i = 0; i < count; ++i) {
        TestNode* parent = nodes[reader.pick(nodes.size())];
        const std::size_t module = reader.pick(kModules + 1);  // the last: none
        nodes.push_back(&parent->add(kNames[reader.pick(kNames.size())],
                                     module < kModules ? kModuleIds[module] : ""));
    }
    return nodes;
}

// Conditions, own values, forced states and host conditions; a syntax error
// or a failing lookup leaves a node without.
void dressTree(Reader& reader, Host& host, const std::vector<TestNode*>& nodes) {
    for (TestNode* node : nodes) {
        fuzz::attempt([&] { node->setLoadIf(kConditions[reader.pick(kConditions.size())]); });
        const std::size_t own = reader.pick(8);
        if (own < 4) {
            fuzz::attempt([&] { host.setOwnValues(*node, own, reader.pick(6)); });
        }
        node->forced =
            static_cast<ZAMNode::ConfigState>(reader.pick(6) % 3 == 0 ? 0 : reader.pick(3));
        node->hasLegacyCondition = reader.pick(4) == 0;
        node->legacyCondition = static_cast<ZAMNode::ConfigState>(reader.pick(3));
    }
}

// The host's own calls, one per byte left, up to sixteen.
void run(Reader& reader, Host& host, ZAMWindow& window, const std::vector<TestNode*>& nodes) {
    for (int i = 0; i < 16 && reader.more(); ++i) {
        TestNode* node = nodes[reader.pick(nodes.size())];
        const std::string id = kModuleIds[reader.pick(kModules)];
        fuzz::attempt([&] {
            switch (reader.pick(8)) {
                case 0:
                case 1:
                    window.evaluate(true);
                    break;
                case 2: {
                    ZAMValidator validator;
                    validator.validateNode(nodes.front(), true);
                    break;
                }
                case 3:
                    node->getSos().matchValue("y", "q");
                    break;
                case 4: {
                    std::set<ref_count_ptr<ZAMOption>> referenced;
                    window.getModule(id)->referencedOptions(referenced);
                    break;
                }
                case 5:
                    window.moduleNeedsRefresh(id);
                    window.externalsNeedRefresh();
                    break;
                case 6:
                    window.getModule(id, true)->getRklData();
                    break;
                default:
                    host.react(Load);
                    node->evaluateChildren(false);
                    break;
            }
        });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    fuzz::CountedObjectsCheck counted(input);
    Reader reader(data, size);
    // The host is installed before the window opens and removed after the
    // nodes and the window are gone.
    Host host(reader);
    const AdapterGuard guard(&host);
    ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
    host.setWindow(window.get());
    {
        auto root = std::make_unique<TestNode>(window, kNames[reader.pick(kNames.size())],
                                               kModuleIds[reader.pick(kModules)]);
        window->setRoot(root.get());
        const std::vector<TestNode*> nodes = buildTree(reader, *root);
        dressTree(reader, host, nodes);
        host.script(reader);
        host.setNodes(nodes);
        if (host.tracing()) {
            ZAMWriteTrace::setCallback(&Host::traced, &host);
        }
        run(reader, host, *window, nodes);
        ZAMWriteTrace::setCallback(nullptr, nullptr);
        window->setRoot(nullptr);
    }
    window = ref_count_ptr<ZAMWindow>();
    return 0;
}
