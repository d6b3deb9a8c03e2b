#include <zamcore/zamcore.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <tuple>

#include "commands.h"
#include "eval_output.h"
#include "evaluation_findings.h"
#include "text_file.h"
#include "value_text.h"

namespace rkl {

namespace {

using Entry = ZAMSelOptionSet::ZAMSosEntry;

// A write as the trace reported it, kept after the callback returned.
struct Write {
    const HostNode* node;
    std::string moduleId;  // of the option written
    std::string option;
    ZAMPath path;
    std::vector<ref_count_ptr<ZAMValue>> values;
    std::vector<ZAMSelOptionSet::HowSet> howSets;
    bool toHost;  // a legacy option: nothing stored
    std::vector<ref_count_ptr<ZAMValue>> storedValues;
    std::vector<ZAMSelOptionSet::HowSet> storedHowSets;
    ZAMWriteTrace::Origin origin;
    std::string ruleModule;
    int line;
    std::string presentedBy;  // for a presented value: the option of the enclosing module
};

// The writes of an evaluation, and what is needed to tell which presented
// option each presented value came from.
struct Recorder {
    std::vector<Write> writes;
    // The presented values delivered into one set so far in a row, by the
    // option they reach and its path: several presented options may share a
    // base, and the set delivers them one after the other in its own order.
    const ZAMSelOptionSet* deliveringTo = nullptr;
    std::map<std::pair<int, std::string>, std::size_t> delivered;
};

// The presented option whose entry `written` copies: among the presented
// options of the set that present the written option at its path, in the
// order the set delivers them, the one this delivery is the turn of; the
// first whose values are those written when that one's values differ.
std::string presentingOption(const ZAMSelOptionSet& set, const Entry& written, std::size_t turn) {
    std::vector<const Entry*> candidates;
    for (const auto& keyed : set.contents()) {
        const ZAMOption& option = *keyed.first;
        if (option.type() != ZAMOption::Presented || !(option.path() == written.path)) {
            continue;
        }
        const ref_count_ptr<ZAMOption> base = option.basedOn();
        if (base && base->id() == written.option->id()) {
            candidates.push_back(&keyed.second);
        }
    }
    const auto same = [&](const Entry* entry) {
        return entry->values == written.values && entry->howSets == written.howSets;
    };
    if (candidates.empty()) {
        return std::string();
    }
    const Entry* chosen = candidates[turn % candidates.size()];
    if (!same(chosen)) {
        const auto found = std::find_if(candidates.begin(), candidates.end(), same);
        chosen = found != candidates.end() ? *found : chosen;
    }
    return chosen->option->name();
}

void recordWrite(const ZAMWriteTrace::Event& event, void* context) {
    Recorder& recorder = *static_cast<Recorder*>(context);
    const Entry& written = event.written;
    Write write{dynamic_cast<const HostNode*>(event.node),
                written.option->moduleId(),
                written.option->name(),
                written.path,
                written.values,
                written.howSets,
                event.stored == nullptr,
                {},
                {},
                event.origin,
                event.moduleId,
                event.line,
                {}};
    if (event.stored != nullptr) {
        write.storedValues = event.stored->values;
        write.storedHowSets = event.stored->howSets;
    }
    if (event.origin != ZAMWriteTrace::Presented || recorder.deliveringTo != &event.set) {
        recorder.delivered.clear();
        recorder.deliveringTo = nullptr;
    }
    if (event.origin == ZAMWriteTrace::Presented) {
        recorder.deliveringTo = &event.set;
        const std::size_t turn =
            recorder.delivered[{written.option->id(), written.path.toParseableString()}]++;
        write.presentedBy = presentingOption(event.set, written, turn);
    }
    recorder.writes.push_back(std::move(write));
}

std::string shownValues(const std::vector<ref_count_ptr<ZAMValue>>& values,
                        const std::vector<ZAMSelOptionSet::HowSet>& howSets) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "" : ", ") + showValue(values[i]) + " (" + howSetWords(howSets[i]) + ")";
    }
    return text;
}

// The position of `node` inside the module instance that encloses it, as
// the context step works it out: its name and those of its ancestors up to
// the nearest one that stands for a module.
ZAMPath contextPath(const HostNode& node) {
    ZAMPath path;
    for (const HostNode* at = &node; at != nullptr; at = at->up()) {
        if (!at->spec().name.empty()) {
            path.append(at->spec().name);
        }
        if (at->up() == nullptr || at->up()->hasModule()) {
            break;
        }
    }
    path.reverse();
    return path;
}

// The nodes whose writes reach `node` in the set it receives: its ancestors
// up to and including the nearest one that stands for a module.
std::vector<const HostNode*> upstreamOf(const HostNode& node) {
    std::vector<const HostNode*> nodes;
    for (const HostNode* at = node.up(); at != nullptr; at = at->up()) {
        nodes.push_back(at);
        if (at->hasModule()) {
            break;
        }
    }
    return nodes;
}

class Explainer {
public:
    Explainer(Session& session, const std::vector<Write>& writes, std::ostream& out)
        : session_(session), out_(out) {
        for (const Write& write : writes) {
            byOption_[{write.moduleId, write.option}].push_back(&write);
        }
    }

    // Lists the writes that made the value of moduleId:option at `node`,
    // indented by `depth`, following presented and inherited values to
    // where they came from. Each write is numbered, below `label` (the number
    // of the write whose source is explained, empty at the top); a source
    // explained already is referred to by the number it was explained under,
    // so that sources shared by many writes are listed once.
    void explain(const HostNode& node, const std::string& moduleId, const std::string& option,
                 int depth, const std::string& label = std::string()) {
        const std::vector<const Write*> writes = relevant(node, moduleId, option);
        const std::string indent(static_cast<std::size_t>(depth) * 5 + 2, ' ');
        if (writes.empty()) {
            out_ << indent << "(no writes)\n";
        }
        const ZAMPath here = contextPath(node);
        int best = -1;
        for (const Write* write : writes) {
            if (write->node != &node || write->origin == ZAMWriteTrace::Presented) {
                best = std::max(best, here.compare(write->path));
            }
        }
        int number = 0;
        for (const Write* write : writes) {
            const Source source = sourceOf(node, *write);
            const std::string numbered =
                (label.empty() ? "" : label + ".") + std::to_string(++number);
            out_ << indent << number << ". " << shownValues(write->values, write->howSets) << "  "
                 << origin(*write, source);
            if (write->node != &node) {
                out_ << " at " << (write->node != nullptr ? write->node->path() : "?");
            }
            const bool upstream = write->node != &node || write->origin == ZAMWriteTrace::Presented;
            if (upstream && here.compare(write->path) < best) {
                out_ << "; not for this node: an entry for a path nearer this node wins";
            } else {
                out_ << outcome(*write);
            }
            if (source.node == nullptr) {
                out_ << "\n";
                continue;
            }
            const auto [known, first] =
                explained_.emplace(std::make_tuple(source.node, source.option), numbered);
            if (!first) {
                out_ << ", which got it from: see " << known->second << " above\n";
            } else if (depth < kDeepest) {
                out_ << ", which got it from:\n";
                explain(*source.node, source.node->moduleId(), source.option, depth + 1, numbered);
            } else {
                out_ << ", which got it from:\n";
            }
        }
    }

private:
    std::vector<const Write*> relevant(const HostNode& node, const std::string& moduleId,
                                       const std::string& option) const {
        const ZAMPath here = contextPath(node);
        const std::vector<const HostNode*> upstream = upstreamOf(node);
        std::vector<const Write*> found;
        const auto ofOption = byOption_.find({moduleId, option});
        if (ofOption == byOption_.end()) {
            return found;
        }
        for (const Write* each : ofOption->second) {
            const Write& write = *each;
            const bool fromAbove =
                std::find(upstream.begin(), upstream.end(), write.node) != upstream.end();
            const bool presentedHere =
                write.node == &node && write.origin == ZAMWriteTrace::Presented;
            const bool reaches = (fromAbove || presentedHere)
                                     ? here.compare(write.path) >= 0
                                     : write.node == &node && write.path.isEmpty();
            if (reaches && !(!found.empty() && repeatsDefault(*found.back(), write))) {
                found.push_back(&write);
            }
        }
        return found;
    }

    // Where a presented or inherited value came from: an option of the
    // module at an ancestor node.
    struct Source {
        const HostNode* node = nullptr;
        std::string option;
    };

    static constexpr int kDeepest = 16;

    // A default put back where the same default was just stored changes
    // nothing worth a line.
    static bool repeatsDefault(const Write& last, const Write& write) {
        return last.origin == ZAMWriteTrace::Default && write.origin == ZAMWriteTrace::Default &&
               last.node == write.node && last.path == write.path && last.values == write.values &&
               last.howSets == write.howSets;
    }

    std::string origin(const Write& write, const Source& source) const {
        const std::string from =
            source.node != nullptr
                ? " " + source.node->moduleId() + ":" + source.option + " at " + source.node->path()
                : std::string();
        switch (write.origin) {
            case ZAMWriteTrace::Default:
                return "default of the option";
            case ZAMWriteTrace::Host: {
                const std::string by = session_.chosenBy(write.node, write.option);
                return "chosen by the user" + (by.empty() ? "" : " (" + by + ")");
            }
            case ZAMWriteTrace::Rule:
                return ruleOrigin(write);
            case ZAMWriteTrace::Presented:
                return "presented by" + (from.empty() ? " the enclosing module" : from);
            default:
                return "inherited from" + (from.empty() ? " an ancestor" : from);
        }
    }

    std::string ruleOrigin(const Write& write) const {
        const ModuleSource* source = session_.adapter().source(write.ruleModule);
        if (source == nullptr) {
            return "rule statement at line " + std::to_string(write.line);
        }
        return "rule of module " + write.ruleModule + " (" + source->path() + ":" +
               std::to_string(source->statementLine(write.line, write.moduleId, write.option)) +
               ")";
    }

    static std::string outcome(const Write& write) {
        if (write.toHost) {
            return "; a legacy option: the value went to the host";
        }
        if (write.storedValues == write.values && write.storedHowSets == write.howSets) {
            return "";
        }
        if (write.storedValues.size() > 1 || write.values.size() > 1) {
            return "; now " + shownValues(write.storedValues, write.storedHowSets);
        }
        if (write.storedValues == write.values) {
            return "; the value was held already and stays " +
                   howSetWords(write.storedHowSets.front());
        }
        return "; refused: keeps " + shownValues(write.storedValues, write.storedHowSets);
    }

    Source sourceOf(const HostNode& node, const Write& write) const {
        if (write.origin == ZAMWriteTrace::Presented) {
            const std::vector<const HostNode*> upstream = upstreamOf(node);
            if (!upstream.empty() && upstream.back()->hasModule()) {
                return presentedBy(*upstream.back(), write);
            }
        } else if (write.origin == ZAMWriteTrace::Inherited && write.node == &node) {
            return inheritedFrom(node, write);
        }
        return Source{};
    }

    // The presented option of the enclosing module that gave the value, as
    // the recorder found it when the value was delivered.
    static Source presentedBy(const HostNode& enclosing, const Write& write) {
        return write.presentedBy.empty() ? Source{} : Source{&enclosing, write.presentedBy};
    }

    static Source inheritedFrom(const HostNode& node, const Write& write) {
        const Provider provider = providerOf(node, *node.module()->getOption(write.option));
        return Source{provider.node, provider.option};
    }

    Session& session_;
    std::ostream& out_;
    // The writes of each option (module id, name), in the order made.
    std::map<std::pair<std::string, std::string>, std::vector<const Write*>> byOption_;
    // The number each source (node, option) was first explained under.
    std::map<std::tuple<const HostNode*, std::string>, std::string> explained_;
};

// Removes the callback however the evaluation ends.
class TraceGuard {
public:
    explicit TraceGuard(Recorder& recorder) { ZAMWriteTrace::setCallback(recordWrite, &recorder); }
    ~TraceGuard() { ZAMWriteTrace::setCallback(nullptr, nullptr); }
    TraceGuard(const TraceGuard&) = delete;
    TraceGuard& operator=(const TraceGuard&) = delete;
};

}  // namespace

int runExplain(const std::string& product, const std::vector<Choice>& choices,
               const std::string& target, std::ostream& out) {
    std::string moduleId;
    std::string name;
    std::string path;
    if (!splitReference(target, moduleId, name, path)) {
        throw Failure(kUsage, target + ": expected module:option or module:option[node]");
    }
    Session session(product);
    if (!session.prepare(choices)) {
        return report(session.problems(), out);
    }
    HostNode& node = session.nodeFor(moduleId, path, target);
    ref_count_ptr<ZAMOption> option;
    try {
        option = node.module()->getOption(name);
    } catch (const ZAMException&) {
        throw Failure(kUsage, target + ": module " + moduleId + " has no option \"" + name + "\"");
    }
    Recorder recorder;
    bool evaluated = false;
    {
        const TraceGuard tracing(recorder);
        evaluated = session.evaluate();
    }
    if (!evaluated) {
        return report(session.problems(), out);
    }
    const std::string what = moduleId + ":" + name + " at " + node.path();
    bool reached = true;
    for (const HostNode* at = &node; at != nullptr; at = at->up()) {
        reached = reached && at->isNodeConfigured() != ZAMNode::NotConfigured;
    }
    if (!reached) {
        out << what << ": the node is not configured, so the option has no value\n";
    } else {
        const Entry& entry = node.getSos().get(option);
        out << what << " = " << shownValues(entry.values, entry.howSets) << "\n";
        Explainer(session, recorder.writes, out).explain(node, moduleId, name, 0);
    }
    // What makes eval fail makes explain fail, and is said.
    printNotices(session, ZAM::Error, out);
    return evalStatus(session);
}

}  // namespace rkl
