#ifndef RKL_EVALUATION_FINDINGS_H
#define RKL_EVALUATION_FINDINGS_H

#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "session.h"

namespace rkl {

// What an evaluation leaves for the modeller to know besides the rules'
// messages, about one option at one node.
struct Finding {
    std::string severity;  // "error" or "warning"
    std::string node;      // the node's path
    std::string option;    // "module:option"
    std::string text;      // the message, naming the option (and not the node)
};

// Whether the evaluation included `node`: it gave the node its values, and
// the node is configured or has no load-if condition.
bool included(const Session& session, const HostNode& node);

// Errors for the mandatory options left without a value at the module
// instances the evaluation included, in tree order.
std::vector<Finding> emptyMandatoryOptions(Session& session);

// Warnings for the choices of used options: the context step replaces their
// values with the provider's, so they cannot take effect.
std::vector<Finding> ineffectiveChoices(Session& session);

// Where a used option at `node` takes its value from: the option of the
// ancestor nearest the root that stands for the based-on option's module,
// or that uses the same option. A null node when no ancestor provides it.
struct Provider {
    const HostNode* node = nullptr;
    std::string option;
};
Provider providerOf(const HostNode& node, const ZAMOption& used);

}  // namespace rkl

#endif
