#include <zamcore/zamcore.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "commands.h"
#include "text_file.h"
#include "value_text.h"

namespace rkl {

namespace {

using nlohmann::ordered_json;

const char* stateWords(ZAMNode::ConfigState state) {
    switch (state) {
        case ZAMNode::Configured:
            return "configured";
        case ZAMNode::NotConfigured:
            return "not configured";
        default:
            return "undetermined";
    }
}

const char* severityWord(ZAM::MsgSeverity severity) {
    switch (severity) {
        case ZAM::Error:
            return "error";
        case ZAM::Warn:
            return "warning";
        default:
            return "note";
    }
}

// The entries of the node's own module instance after the evaluation.
std::vector<ZAMSelOptionSet::ZAMSosEntry> valuesOf(HostNode& node) {
    std::vector<ZAMSelOptionSet::ZAMSosEntry> entries;
    if (!node.isModuleBoundary()) {
        return entries;
    }
    for (const auto& keyed : node.getSos().contents()) {
        const ZAMSelOptionSet::ZAMSosEntry& entry = keyed.second;
        if (entry.option->moduleId() == node.moduleId() && entry.path.isEmpty()) {
            entries.push_back(entry);
        }
    }
    return entries;
}

// The values of an entry, and how they were set: one how-set when all agree,
// otherwise each value's own beside it.
std::pair<std::string, std::string> shown(const ZAMSelOptionSet::ZAMSosEntry& entry) {
    bool allAlike = true;
    for (ZAMSelOptionSet::HowSet howSet : entry.howSets) {
        allAlike = allAlike && howSet == entry.howSets.front();
    }
    std::string values;
    for (std::size_t i = 0; i < entry.values.size(); ++i) {
        values += (i == 0 ? "" : ", ") + showValue(entry.values[i]) +
                  (allAlike ? "" : " (" + howSetWords(entry.howSets[i]) + ")");
    }
    return {values, allAlike ? howSetWords(entry.howSets.front()) : std::string()};
}

// A node without a condition is part of whatever encloses it; the engine
// leaves its state undetermined.
const char* shownState(const HostNode& node) {
    if (node.isNodeConfigured() == ZAMNode::Undetermined && node.spec().loadIf.empty()) {
        return "included";
    }
    return stateWords(node.isNodeConfigured());
}

bool reached(const HostNode& node) {
    return node.isNodeConfigured() != ZAMNode::NotConfigured;
}

void printTree(HostNode& node, int depth, std::ostream& out) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << node.spec().name;
    if (node.hasModule()) {
        out << "  module " << node.moduleId();
    }
    out << "  " << shownState(node) << "\n";
    if (!reached(node)) {
        return;
    }
    const std::vector<ZAMSelOptionSet::ZAMSosEntry> entries = valuesOf(node);
    std::size_t nameWidth = 0;
    std::size_t valueWidth = 0;
    for (const auto& entry : entries) {
        nameWidth = std::max(nameWidth, entry.option->name().size());
        valueWidth = std::max(valueWidth, shown(entry).first.size());
    }
    for (const auto& entry : entries) {
        const auto [values, howSets] = shown(entry);
        out << indent << "    " << entry.option->name()
            << std::string(nameWidth - entry.option->name().size() + 2, ' ') << values
            << std::string(valueWidth - values.size() + 2, ' ') << howSets << "\n";
    }
    for (const std::unique_ptr<HostNode>& child : node.kids()) {
        printTree(*child, depth + 1, out);
    }
}

ordered_json jsonTree(HostNode& node) {
    ordered_json tree;
    tree["name"] = node.spec().name;
    tree["path"] = node.path();
    if (node.hasModule()) {
        tree["module"] = node.moduleId();
    }
    tree["state"] = stateWords(node.isNodeConfigured());
    if (!reached(node)) {
        return tree;
    }
    ordered_json values = ordered_json::array();
    for (const auto& entry : valuesOf(node)) {
        ordered_json value;
        value["option"] = entry.option->name();
        value["values"] = ordered_json::array();
        value["howSet"] = ordered_json::array();
        for (std::size_t i = 0; i < entry.values.size(); ++i) {
            value["values"].push_back(jsonValue(entry.values[i]));
            value["howSet"].push_back(howSetName(entry.howSets[i]));
        }
        values.push_back(std::move(value));
    }
    if (node.hasModule()) {
        tree["values"] = std::move(values);
    }
    ordered_json children = ordered_json::array();
    for (const std::unique_ptr<HostNode>& child : node.kids()) {
        children.push_back(jsonTree(*child));
    }
    tree["children"] = std::move(children);
    return tree;
}

ordered_json jsonDiagnostics(const std::vector<Diagnostic>& diagnostics) {
    ordered_json list = ordered_json::array();
    for (const Diagnostic& diagnostic : sorted(diagnostics)) {
        list.push_back({{"file", diagnostic.file},
                        {"line", diagnostic.line},
                        {"severity", diagnostic.severity},
                        {"message", diagnostic.message}});
    }
    return list;
}

}  // namespace

EvalOutput renderEval(Session& session, bool ok, bool json) {
    std::ostringstream out;
    if (!ok) {
        if (json) {
            out << ordered_json{{"errors", jsonDiagnostics(session.problems())}}.dump(
                       2, ' ', false, ordered_json::error_handler_t::replace)
                << "\n";
            return EvalOutput{kFindings, out.str()};
        }
        const int status = report(session.problems(), out);
        return EvalOutput{status, out.str()};
    }
    const std::vector<Message>& messages = session.adapter().messages;
    const bool anyError = std::any_of(messages.begin(), messages.end(),
                                      [](const Message& m) { return m.severity == ZAM::Error; });
    if (json) {
        ordered_json result;
        result["root"] = jsonTree(session.root());
        result["messages"] = ordered_json::array();
        for (const Message& message : messages) {
            result["messages"].push_back({{"severity", severityWord(message.severity)},
                                          {"node", message.node},
                                          {"text", message.text}});
        }
        out << result.dump(2, ' ', false, ordered_json::error_handler_t::replace) << "\n";
    } else {
        printTree(session.root(), 0, out);
        for (const Message& message : messages) {
            out << message.node << ": " << severityWord(message.severity) << ": " << message.text
                << "\n";
        }
    }
    return EvalOutput{anyError ? kFindings : kClean, out.str()};
}

int runEval(const std::string& product, const std::vector<Choice>& choices, bool json,
            std::ostream& out) {
    Session session(product);
    const bool ok = session.prepare(choices) && session.evaluate();
    const EvalOutput output = renderEval(session, ok, json);
    out << output.text;
    return output.status;
}

}  // namespace rkl
