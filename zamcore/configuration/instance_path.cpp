#include "zamcore/configuration/instance_path.h"

#include <string>

#include "zamcore/configuration/node.h"

namespace zamcore {

ZAMPath instancePathOf(const ZAMNode* node) {
    ZAMPath path;
    for (const ZAMNode* at = node; at != nullptr;) {
        const std::string name = at->pathName();
        if (!name.empty()) {
            path.append(name);
        }
        at = at->parent();
        if (at != nullptr && at->hasModule()) {
            break;
        }
    }
    path.reverse();
    return path;
}

}  // namespace zamcore
