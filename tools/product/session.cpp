#include "session.h"

#include <filesystem>
#include <sstream>

#include "text_file.h"
#include "value_text.h"

namespace rkl {

namespace {

class ChildIterator : public ZAMNodeIterator {
public:
    explicit ChildIterator(const std::vector<std::unique_ptr<HostNode>>& children)
        : children_(children) {}
    bool hasMore() override { return index_ < children_.size(); }
    ZAMNode* current() override { return children_[index_].get(); }
    void next() override { ++index_; }

private:
    const std::vector<std::unique_ptr<HostNode>>& children_;
    std::size_t index_ = 0;
};

template <class Visit>
void forEachNode(HostNode& node, const Visit& visit) {
    visit(node);
    for (const std::unique_ptr<HostNode>& child : node.kids()) {
        forEachNode(*child, visit);
    }
}

// A copy of a node's engine state (its sets, condition and state) kept
// apart from the tree, to put the node back as it was. Never evaluated, so
// it stands in no tree.
class SavedNode : public ZAMNode {
public:
    explicit SavedNode(const ZAMNode& node) : ZAMNode(node) {}
    ZAMNode* parent() const override { return nullptr; }
    ZAMNodeIterator* children() override { return nullptr; }
    bool hasModule() const override { return false; }
    std::string moduleId() const override { return std::string(); }
    std::string pathName() const override { return std::string(); }
};

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool DirectoryAdapter::loadModule(ZAMWindow* window, const std::string& id) {
    if (id.empty() || id.find_first_of("/\\") != std::string::npos || id[0] == '.') {
        return false;
    }
    const std::string path = joinPath(directory_, id + ".rkl");
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const ModuleSource& source =
        sources_.insert_or_assign(id, ModuleSource::read(path)).first->second;
    diagnostics.insert(diagnostics.end(), source.problems().begin(), source.problems().end());
    ref_count_ptr<ZAMModule> module = window->createModule(id);
    source.loadInto(*module, diagnostics);
    return true;
}

bool DirectoryAdapter::userMsg(ZAMWindow*, ZAM::MsgSeverity severity, const std::string& message,
                               ZAMNode* node) {
    const auto* host = dynamic_cast<const HostNode*>(node);
    messages.push_back(Message{severity, host != nullptr ? host->path() : "", message});
    return true;
}

const ModuleSource* DirectoryAdapter::source(const std::string& id) const {
    const auto found = sources_.find(id);
    return found == sources_.end() ? nullptr : &found->second;
}

HostNode::HostNode(ref_count_ptr<ZAMWindow> window, const NodeSpec& spec, HostNode* parent)
    : ZAMNode(window),
      spec_(spec),
      parent_(parent),
      path_(parent != nullptr ? parent->path() + "." + spec.name : spec.name) {
    for (const NodeSpec& child : spec.children) {
        children_.push_back(std::make_unique<HostNode>(window, child, this));
    }
}

ZAMNodeIterator* HostNode::children() {
    return new ChildIterator(children_);
}

std::vector<Choice> readChoices(const std::string& path) {
    std::vector<Choice> choices;
    std::istringstream lines(readFile(path));
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string text = trimmed(line.substr(0, line.find('#')));
        if (text.empty()) {
            continue;
        }
        ZAMSelOptionSet::HowSet how = ZAMSelOptionSet::UserSet;
        for (const char* word : {"set ", "fix "}) {
            if (text.compare(0, 4, word) == 0) {
                how = word[0] == 'f' ? ZAMSelOptionSet::UserFixed : ZAMSelOptionSet::UserSet;
                text = trimmed(text.substr(4));
            }
        }
        choices.push_back(Choice{text, path + ":" + std::to_string(number), how});
    }
    return choices;
}

bool splitReference(const std::string& text, std::string& moduleId, std::string& option,
                    std::string& path) {
    const std::size_t colon = text.find(':');
    const std::size_t open = text.find('[');
    if (colon == std::string::npos || colon == 0 || (open != std::string::npos && open < colon)) {
        return false;
    }
    moduleId = text.substr(0, colon);
    option =
        text.substr(colon + 1, open == std::string::npos ? std::string::npos : open - colon - 1);
    path.clear();
    if (open != std::string::npos) {
        if (text.back() != ']') {
            return false;
        }
        path = text.substr(open + 1, text.size() - open - 2);
    }
    return !option.empty() && option.find_first_of(":]") == std::string::npos;
}

Session::Session(const std::string& directory)
    : product_(readProduct(directory, problems_)), adapter_(directory) {
    ZAM::initialize(&adapter_);
    window_ = ZAM::createWindow();
    root_ = std::make_unique<HostNode>(window_, product_.root, nullptr);
    window_->setRoot(root_.get());
}

Session::~Session() {
    loaded_.clear();
    root_.reset();
    window_ = ref_count_ptr<ZAMWindow>();
    ZAM::initialize(nullptr);
}

void Session::problem(int line, const std::string& message) {
    problems_.push_back(Diagnostic{product_.file, line, "error", message, "", std::string::npos});
}

bool Session::prepare(const std::vector<Choice>& choices) {
    return load() && applyValues(choices);
}

bool Session::load() {
    if (!problems_.empty()) {
        return false;
    }
    forEachNode(*root_, [&](HostNode& node) {
        if (node.hasModule() && !adapter_.source(node.moduleId())) {
            try {
                window_->getModule(node.moduleId());
            } catch (const ZAMException& error) {
                problem(
                    node.spec().line,
                    "node " + node.path() + ": " +
                        (error.code() == 302
                             ? "no module \"" + node.moduleId() + "\" (no " +
                                   joinPath(adapter_.directory(), node.moduleId() + ".rkl") + ")"
                             : describe(error)));
            }
        }
        if (!node.spec().loadIf.empty()) {
            try {
                node.setLoadIf(node.spec().loadIf);
            } catch (const ZAMException& error) {
                problems_.push_back(
                    textError(product_.file, node.spec().loadIf, node.spec().loadIfLine, error));
            }
        }
    });
    problems_.insert(problems_.end(), adapter_.diagnostics.begin(), adapter_.diagnostics.end());
    adapter_.diagnostics.clear();
    if (!problems_.empty()) {
        return false;
    }
    forEachNode(*root_,
                [&](HostNode& node) { loaded_.push_back(std::make_unique<SavedNode>(node)); });
    return true;
}

bool Session::applyValues(const std::vector<Choice>& choices) {
    std::map<HostNode*, std::unique_ptr<ZAMSelOptionSet>> sets;
    buildValues(sets);
    if (!problems_.empty()) {
        return false;
    }
    for (const Choice& choice : choices) {
        applyChoice(choice, sets);
    }
    for (auto& [node, set] : sets) {
        node->setSos(*set);
    }
    return true;
}

void Session::buildValues(std::map<HostNode*, std::unique_ptr<ZAMSelOptionSet>>& sets) {
    forEachNode(*root_, [&](HostNode& node) {
        for (const ValueSpec& value : node.spec().values) {
            if (!node.hasModule()) {
                problem(value.line, "node " + node.path() +
                                        " stands for no module, so it has no options to set");
                continue;
            }
            ref_count_ptr<ZAMOption> option;
            try {
                option = node.module()->getOption(value.option);
            } catch (const ZAMException&) {
                problem(value.line,
                        "module " + node.moduleId() + " has no option \"" + value.option + "\"");
                continue;
            }
            std::string error;
            ref_count_ptr<ZAMValue> chosen = valueFromJson(*option, value.value, error);
            if (!chosen) {
                problem(value.line, "node " + node.path() + ": " + error);
                continue;
            }
            std::unique_ptr<ZAMSelOptionSet>& set = sets[&node];
            if (!set) {
                set = std::make_unique<ZAMSelOptionSet>(window_);
            }
            set->set(ZAMSelOptionSet::ZAMSosEntry{option, ZAMPath(), {chosen}, {value.how}});
            chosenBy_[{&node, value.option}] = product_.file + ":" + std::to_string(value.line);
        }
    });
}

void Session::applyChoice(const Choice& choice,
                          std::map<HostNode*, std::unique_ptr<ZAMSelOptionSet>>& sets) {
    const std::string what = choice.origin + ": " + choice.text;
    const std::size_t equals = choice.text.find('=');
    std::string moduleId;
    std::string name;
    std::string path;
    if (equals == std::string::npos ||
        !splitReference(choice.text.substr(0, equals), moduleId, name, path)) {
        throw Failure(kUsage, what + ": expected module:option=value or module:option[node]=value");
    }
    HostNode& node = nodeFor(moduleId, path, what);
    ref_count_ptr<ZAMOption> option;
    try {
        option = node.module()->getOption(name);
    } catch (const ZAMException&) {
        throw Failure(kUsage, what + ": module " + moduleId + " has no option \"" + name + "\"");
    }
    std::string error;
    ref_count_ptr<ZAMValue> value = valueFromText(*option, choice.text.substr(equals + 1), error);
    if (!value) {
        throw Failure(kUsage, what + ": " + error);
    }
    std::unique_ptr<ZAMSelOptionSet>& set = sets[&node];
    if (!set) {
        set = std::make_unique<ZAMSelOptionSet>(window_);
    }
    set->set(ZAMSelOptionSet::ZAMSosEntry{option, ZAMPath(), {value}, {choice.how}});
    chosenBy_[{&node, name}] = choice.origin;
}

void Session::restart() {
    std::size_t index = 0;
    forEachNode(*root_, [&](HostNode& node) { static_cast<ZAMNode&>(node) = *loaded_[index++]; });
    problems_.clear();
    adapter_.messages.clear();
    chosenBy_.clear();
}

std::vector<HostNode*> Session::nodesOf(const std::string& moduleId) {
    std::vector<HostNode*> found;
    forEachNode(*root_, [&](HostNode& node) {
        if (node.hasModule() && node.moduleId() == moduleId) {
            found.push_back(&node);
        }
    });
    return found;
}

HostNode& Session::nodeFor(const std::string& moduleId, const std::string& path,
                           const std::string& what) {
    const std::vector<HostNode*> nodes = nodesOf(moduleId);
    std::string paths;
    for (HostNode* node : nodes) {
        if (node->path() == path) {
            return *node;
        }
        paths += (paths.empty() ? "" : ", ") + node->path();
    }
    if (nodes.empty()) {
        throw Failure(kUsage, what + ": no node of the product stands for module " + moduleId);
    }
    if (path.empty() && nodes.size() == 1) {
        return *nodes.front();
    }
    throw Failure(kUsage,
                  what + ": " +
                      (path.empty() ? "module " + moduleId + " stands at several nodes"
                                    : "no node " + path + " stands for module " + moduleId) +
                      "; name one as " + moduleId + ":option[node], one of " + paths);
}

std::string Session::chosenBy(const HostNode* node, const std::string& name) const {
    const auto found = chosenBy_.find({node, name});
    return found == chosenBy_.end() ? std::string() : found->second;
}

bool Session::evaluate() {
    bool ok = true;
    try {
        window_->evaluate(true);
    } catch (const ZAMException& error) {
        problems_.push_back(evaluationError(error));
        ok = false;
    }
    if (!adapter_.diagnostics.empty()) {
        problems_.insert(problems_.end(), adapter_.diagnostics.begin(), adapter_.diagnostics.end());
        adapter_.diagnostics.clear();
        ok = false;
    }
    return ok;
}

namespace {

// The engine gives no line for a broken mutually exclusive rule at the top
// level of a rule text: the line of the first such rule naming both culprits
// (options, or option.value pairs); 0 when there is none.
int exclusiveRuleLine(const ModuleSource& source, const ZAMException& error) {
    if (error.code() != 106 && error.code() != 107) {
        return 0;
    }
    const std::string& rules = source.rules();
    for (int line = 1, count = lineOf(rules, rules.size()); line <= count; ++line) {
        const std::string text = lineAt(rules, line);
        if (text.find("mutually_exclusive") != std::string::npos &&
            text.find(error.context()) != std::string::npos &&
            text.find(error.extrainfo2()) != std::string::npos) {
            return source.fileLine(line);
        }
    }
    return 0;
}

}  // namespace

// An error from a node's rules is shown at the statement in its module
// text; one from a load-if condition at the condition in product.json.
Diagnostic Session::evaluationError(const ZAMException& error) const {
    const auto* node = dynamic_cast<const HostNode*>(error.node());
    if (node == nullptr) {
        return Diagnostic{product_.file, 0, "error", describe(error), "", std::string::npos};
    }
    const std::string message = "node " + node->path() + ": " + describe(error);
    const bool fromRules = error.line() > 0 || error.code() == 106 || error.code() == 107 ||
                           error.code() == 500 || node->spec().loadIf.empty();
    const ModuleSource* source = node->hasModule() ? adapter_.source(node->moduleId()) : nullptr;
    if (fromRules && source != nullptr) {
        const int line =
            error.line() > 0 ? source->fileLine(error.line()) : exclusiveRuleLine(*source, error);
        return Diagnostic{
            source->path(),   line, "error", message, line > 0 ? lineAt(source->text(), line) : "",
            std::string::npos};
    }
    if (!fromRules) {
        return Diagnostic{product_.file,
                          node->spec().loadIfLine,
                          "error",
                          message + " (in its load-if condition)",
                          node->spec().loadIf,
                          std::string::npos};
    }
    return Diagnostic{product_.file, node->spec().line, "error", message, "", std::string::npos};
}

}  // namespace rkl
