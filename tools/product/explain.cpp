#include <zamcore/zamcore.h>

#include <algorithm>
#include <ostream>

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
};

void recordWrite(const ZAMWriteTrace::Event& event, void* context) {
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
                event.line};
    if (event.stored != nullptr) {
        write.storedValues = event.stored->values;
        write.storedHowSets = event.stored->howSets;
    }
    static_cast<std::vector<Write>*>(context)->push_back(std::move(write));
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
        : session_(session), writes_(writes), out_(out) {}

    // Lists the writes that made the value of moduleId:option at `node`,
    // indented by `depth`, following presented and inherited values to
    // where they came from.
    void explain(const HostNode& node, const std::string& moduleId, const std::string& option,
                 int depth) {
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
            out_ << indent << ++number << ". " << shownValues(write->values, write->howSets) << "  "
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
            out_ << (source.node != nullptr ? ", which got it from:" : "") << "\n";
            if (source.node != nullptr && depth < kDeepest) {
                explain(*source.node, source.node->moduleId(), source.option, depth + 1);
            }
        }
    }

private:
    std::vector<const Write*> relevant(const HostNode& node, const std::string& moduleId,
                                       const std::string& option) const {
        const ZAMPath here = contextPath(node);
        const std::vector<const HostNode*> upstream = upstreamOf(node);
        std::vector<const Write*> found;
        for (const Write& write : writes_) {
            if (write.moduleId != moduleId || write.option != option) {
                continue;
            }
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

    // The presented option of the enclosing module that gave the value.
    static Source presentedBy(const HostNode& enclosing, const Write& write) {
        for (const ref_count_ptr<ZAMOption>& option : enclosing.module()->options()) {
            if (option->type() != ZAMOption::Presented || !(option->path() == write.path)) {
                continue;
            }
            const ref_count_ptr<ZAMOption> base = option->basedOn();
            if (base->moduleId() == write.moduleId && base->name() == write.option) {
                return Source{&enclosing, option->name()};
            }
        }
        return Source{};
    }

    static Source inheritedFrom(const HostNode& node, const Write& write) {
        const Provider provider = providerOf(node, *node.module()->getOption(write.option));
        return Source{provider.node, provider.option};
    }

    Session& session_;
    const std::vector<Write>& writes_;
    std::ostream& out_;
};

// Removes the callback however the evaluation ends.
class TraceGuard {
public:
    explicit TraceGuard(std::vector<Write>& writes) {
        ZAMWriteTrace::setCallback(recordWrite, &writes);
    }
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
    std::vector<Write> writes;
    bool evaluated = false;
    {
        const TraceGuard tracing(writes);
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
        Explainer(session, writes, out).explain(node, moduleId, name, 0);
    }
    // What makes eval fail makes explain fail, and is said.
    printNotices(session, ZAM::Error, out);
    return evalStatus(session);
}

}  // namespace rkl
