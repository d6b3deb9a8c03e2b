#include <zamcore/zamcore.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "commands.h"
#include "eval_output.h"
#include "evaluation_findings.h"
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

// A node the evaluation reached but did not finish, because it stopped
// with an error in it or before it.
bool unfinished(const Session& session, const HostNode& node) {
    return session.stage() == Session::Stage::Stopped && reached(node) && !session.evaluated(node);
}

void printTree(Session& session, HostNode& node, int depth, std::ostream& out) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << node.spec().name;
    if (node.hasModule()) {
        out << "  module " << node.moduleId();
    }
    if (unfinished(session, node)) {
        out << "  not evaluated\n";
        return;
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
        printTree(session, *child, depth + 1, out);
    }
}

ordered_json jsonTree(Session& session, HostNode& node) {
    ordered_json tree;
    tree["name"] = node.spec().name;
    tree["path"] = node.path();
    if (node.hasModule()) {
        tree["module"] = node.moduleId();
    }
    tree["state"] = stateWords(node.isNodeConfigured());
    if (unfinished(session, node)) {
        tree["evaluated"] = false;
        return tree;
    }
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
        children.push_back(jsonTree(session, *child));
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

std::vector<Finding> findingsOf(Session& session) {
    std::vector<Finding> findings = emptyMandatoryOptions(session);
    const std::vector<Finding> choices = ineffectiveChoices(session);
    findings.insert(findings.end(), choices.begin(), choices.end());
    return findings;
}

bool prepared(const Session& session) {
    return session.stage() != Session::Stage::Unprepared;
}

}  // namespace

ordered_json evalJson(Session& session) {
    ordered_json result;
    if (prepared(session)) {
        result["root"] = jsonTree(session, session.root());
        result["messages"] = ordered_json::array();
        for (const Message& message : session.adapter().messages) {
            result["messages"].push_back({{"severity", severityWord(message.severity)},
                                          {"node", message.node},
                                          {"text", message.text}});
        }
        result["findings"] = ordered_json::array();
        for (const Finding& finding : findingsOf(session)) {
            result["findings"].push_back({{"severity", finding.severity},
                                          {"node", finding.node},
                                          {"option", finding.option},
                                          {"text", finding.text}});
        }
    }
    if (!session.problems().empty()) {
        result["errors"] = jsonDiagnostics(session.problems());
    }
    return result;
}

void printNotices(Session& session, ZAM::MsgSeverity least, std::ostream& out) {
    for (const Message& message : session.adapter().messages) {
        if (message.severity >= least) {
            out << message.node << ": " << severityWord(message.severity) << ": " << message.text
                << "\n";
        }
    }
    for (const Finding& finding : findingsOf(session)) {
        out << finding.node << ": " << finding.severity << ": " << finding.text << "\n";
    }
}

void printEval(Session& session, std::ostream& out) {
    if (prepared(session)) {
        printTree(session, session.root(), 0, out);
        printNotices(session, ZAM::Inform, out);
    }
    report(session.problems(), out);
}

int evalStatus(Session& session) {
    const std::vector<Message>& messages = session.adapter().messages;
    const bool ruleError = std::any_of(messages.begin(), messages.end(),
                                       [](const Message& m) { return m.severity == ZAM::Error; });
    const std::vector<Finding> findings = emptyMandatoryOptions(session);
    return session.stage() == Session::Stage::Evaluated && !ruleError && findings.empty()
               ? kClean
               : kFindings;
}

int runEval(const std::string& product, const std::vector<Choice>& choices, bool json,
            std::ostream& out) {
    Session session(product);
    if (session.prepare(choices)) {
        session.evaluate();
    }
    if (json) {
        out << evalJson(session).dump(2, ' ', false, ordered_json::error_handler_t::replace)
            << "\n";
    } else {
        printEval(session, out);
    }
    return evalStatus(session);
}

}  // namespace rkl
