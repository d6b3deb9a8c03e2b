#include "evaluation_findings.h"

namespace rkl {

namespace {

template <class Visit>
void forEachIncluded(Session& session, HostNode& node, const Visit& visit) {
    if (!session.evaluated(node)) {
        return;
    }
    if (included(session, node)) {
        visit(node);
    }
    for (const std::unique_ptr<HostNode>& child : node.kids()) {
        forEachIncluded(session, *child, visit);
    }
}

std::string qualified(const ZAMOption& option) {
    return option.moduleId() + ":" + option.name();
}

bool isUnset(const ref_count_ptr<ZAMValue>& value) {
    return !value || value->type() == ZAMValue::VT_UNSET;
}

}  // namespace

bool included(const Session& session, const HostNode& node) {
    const ZAMNode::ConfigState state = node.isNodeConfigured();
    return session.evaluated(node) &&
           (state == ZAMNode::Configured ||
            (state == ZAMNode::Undetermined && node.spec().loadIf.empty()));
}

std::vector<Finding> emptyMandatoryOptions(Session& session) {
    std::vector<Finding> findings;
    forEachIncluded(session, session.root(), [&](HostNode& node) {
        if (!node.hasModule() || !node.isModuleBoundary()) {
            return;
        }
        // The engine's verifyCompleteness names the first such option only;
        // the modeller wants every one, so the tool applies its test to each.
        for (const auto& keyed : node.getSos().contents()) {
            const ZAMSelOptionSet::ZAMSosEntry& entry = keyed.second;
            if (entry.option->mandatory() && entry.path.isEmpty() &&
                entry.option->moduleId() == node.moduleId() && isUnset(entry.values.front())) {
                findings.push_back(
                    Finding{"error", node.path(), qualified(*entry.option),
                            "mandatory option " + qualified(*entry.option) + " has no value"});
            }
        }
    });
    return findings;
}

std::vector<Finding> ineffectiveChoices(Session& session) {
    std::vector<Finding> findings;
    for (const auto& [chosen, origin] : session.choices()) {
        const HostNode& node = *chosen.first;
        const ref_count_ptr<ZAMOption> option = node.module()->getOption(chosen.second);
        if (option->type() != ZAMOption::Uses) {
            continue;
        }
        const Provider provider = providerOf(node, *option);
        if (provider.node == nullptr) {
            continue;  // nothing replaces the choice
        }
        findings.push_back(Finding{"warning", node.path(), qualified(*option),
                                   "the choice of " + qualified(*option) + " (" + origin +
                                       ") has no effect: the option uses " +
                                       qualified(*option->basedOn()) +
                                       " and takes its value from " + provider.node->moduleId() +
                                       ":" + provider.option + " at " + provider.node->path()});
    }
    return findings;
}

Provider providerOf(const HostNode& node, const ZAMOption& used) {
    const ref_count_ptr<ZAMOption> base = used.basedOn();
    Provider provider;
    for (const HostNode* at = node.up(); at != nullptr; at = at->up()) {
        if (!at->hasModule()) {
            continue;
        }
        if (at->moduleId() == base->moduleId()) {
            provider = Provider{at, base->name()};
            continue;
        }
        for (const ref_count_ptr<ZAMOption>& option : at->module()->usingOptions()) {
            if (option->basedOn()->id() == base->id()) {
                provider = Provider{at, option->name()};
            }
        }
    }
    return provider;
}

}  // namespace rkl
