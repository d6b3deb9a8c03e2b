#ifndef RKL_SESSION_H
#define RKL_SESSION_H

#include <zamcore/zamcore.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "diagnostic.h"
#include "module_source.h"
#include "product.h"

namespace rkl {

// A rule message raised during an evaluation.
struct Message {
    ZAM::MsgSeverity severity;
    std::string node;  // the path of the node whose rules raised it
    std::string text;
};

// The tool's adapter: it loads module "<id>" from "<id>.rkl" in the product
// directory when the engine asks for it, and records the rule messages. What
// is wrong with a module text is collected in `diagnostics`; the module is
// still created, holding what could be read.
class DirectoryAdapter : public ZAM::AdapterInterface {
public:
    explicit DirectoryAdapter(std::string directory) : directory_(std::move(directory)) {}

    bool loadModule(ZAMWindow* window, const std::string& id) override;
    bool refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) override { return true; }
    bool userMsg(ZAMWindow* window, ZAM::MsgSeverity severity, const std::string& message,
                 ZAMNode* node) override;

    // The source text of a module loaded so far; null for others.
    const ModuleSource* source(const std::string& id) const;
    const std::string& directory() const { return directory_; }

    std::vector<Diagnostic> diagnostics;
    std::vector<Message> messages;

private:
    std::string directory_;
    std::map<std::string, ModuleSource> sources_;
};

// A node of the product structure, made from its product.json description.
// It owns its children.
class HostNode : public ZAMNode {
public:
    HostNode(ref_count_ptr<ZAMWindow> window, const NodeSpec& spec, HostNode* parent);

    ZAMNode* parent() const override { return parent_; }
    ZAMNodeIterator* children() override;
    bool hasModule() const override { return !spec_.module.empty(); }
    std::string moduleId() const override { return spec_.module; }
    std::string pathName() const override { return spec_.name; }

    const NodeSpec& spec() const { return spec_; }
    HostNode* up() const { return parent_; }
    // The names from the root down to this node, joined with ".".
    const std::string& path() const { return path_; }
    const std::vector<std::unique_ptr<HostNode>>& kids() const { return children_; }

private:
    const NodeSpec& spec_;
    HostNode* parent_;
    std::string path_;
    std::vector<std::unique_ptr<HostNode>> children_;
};

// A choice from the command line or a choices file: "module:option=value",
// optionally "module:option[node path]=value", set as the user's value or
// fixed.
struct Choice {
    std::string text;
    std::string origin;  // "--set", or the file and line it came from
    ZAMSelOptionSet::HowSet how;
};

// Reads the choices of a file: one choice per line, "set" or "fix" (or
// nothing, for "set") then the choice; "#" starts a comment.
std::vector<Choice> readChoices(const std::string& path);

// A product loaded into a window: the engine's adapter is installed for the
// life of the session, and the tree is built from product.json.
class Session {
public:
    // Failure(kUsage) when the product cannot be read.
    explicit Session(const std::string& directory);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads the modules of the tree, gives the nodes their conditions and
    // the values of product.json and of `choices`. Returns false, with the
    // reasons in problems(), when the product's texts are wrong; a choice
    // that names no option or holds a wrong value throws Failure(kUsage).
    bool prepare(const std::vector<Choice>& choices);
    // The two halves of prepare, for a session that evaluates one product
    // for many sets of choices: load() once, then restart() and
    // applyValues() before each evaluation.
    bool load();
    bool applyValues(const std::vector<Choice>& choices);
    // Puts every node back as load() left it (no own values, no state), and
    // forgets the messages, the problems and who chose what, so that the
    // next evaluation owes nothing to the one before.
    void restart();
    // Evaluates the tree; false, with the reason in problems(), when the
    // evaluation stopped with an error.
    bool evaluate();

    const std::vector<Diagnostic>& problems() const { return problems_; }
    const Product& product() const { return product_; }
    DirectoryAdapter& adapter() { return adapter_; }
    const ref_count_ptr<ZAMWindow>& window() const { return window_; }
    HostNode& root() { return *root_; }

    // The nodes standing for module `moduleId`, in tree order.
    std::vector<HostNode*> nodesOf(const std::string& moduleId);
    // The node for a "module:option[path]" reference: the node at `path`,
    // or the only node of the module when the path is empty.
    // Failure(kUsage) naming `what` otherwise.
    HostNode& nodeFor(const std::string& moduleId, const std::string& path,
                      const std::string& what);
    // Who chose the value of option `name` at `node`: "product.json:12" or
    // the choice's origin; empty when nobody did.
    std::string chosenBy(const HostNode* node, const std::string& name) const;

private:
    void buildValues(std::map<HostNode*, std::unique_ptr<ZAMSelOptionSet>>& sets);
    void applyChoice(const Choice& choice,
                     std::map<HostNode*, std::unique_ptr<ZAMSelOptionSet>>& sets);
    Diagnostic evaluationError(const ZAMException& error) const;
    void problem(int line, const std::string& message);

    std::vector<Diagnostic> problems_;
    Product product_;
    DirectoryAdapter adapter_;
    ref_count_ptr<ZAMWindow> window_;
    std::unique_ptr<HostNode> root_;
    // Each node's engine state as load() left it, in tree order.
    std::vector<std::unique_ptr<ZAMNode>> loaded_;
    std::map<std::pair<const HostNode*, std::string>, std::string> chosenBy_;
};

// Splits "module:option[path]" into its three parts; false when it is not
// of that form.
bool splitReference(const std::string& text, std::string& moduleId, std::string& option,
                    std::string& path);

}  // namespace rkl

#endif
