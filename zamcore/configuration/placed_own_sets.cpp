#include "zamcore/configuration/placed_own_sets.h"

#include "zamcore/configuration/node.h"
#include "zamcore/model/module.h"
#include "zamcore/model/module_lookup.h"
#include "zamcore/model/window.h"

namespace zamcore {
namespace {

// The window's generation, or 0 (which nothing matches) when the module's
// window is gone or refreshes are pending.
std::uint64_t generationOf(const ZAMModule& module) {
    const ref_count_ptr<ZAMWindow> window = module.window();
    return window ? ModuleLookup::generation(*window) : 0;
}

}  // namespace

PlacedOwnSets::Level::Level(const ZAMNode* node) {
    levels().push_back(Record{node, false, nullptr, nullptr, 0});
}

PlacedOwnSets::Level::~Level() {
    levels().pop_back();
}

bool PlacedOwnSets::isPlaced(const ZAMNode* node, const ZAMModule& module) {
    const Record* record = find(node);
    if (record == nullptr || !record->placed) {
        return false;
    }
    const std::uint64_t generation = generationOf(module);
    return record->module == &module && record->parent == node->parent() && generation != 0 &&
           record->generation == generation;
}

void PlacedOwnSets::placed(const ZAMNode* node, const ZAMModule& module) {
    if (Record* record = find(node)) {
        *record = Record{node, true, node->parent(), &module, generationOf(module)};
    }
}

void PlacedOwnSets::stored(const ZAMNode* node) {
    std::vector<Record>& all = levels();
    std::size_t first = 0;
    while (first < all.size() && all[first].node != node) {
        ++first;
    }
    for (std::size_t at = first; at < all.size(); ++at) {
        all[at].placed = false;
    }
}

void PlacedOwnSets::forgetAll() {
    for (Record& record : levels()) {
        record.placed = false;
    }
}

std::vector<PlacedOwnSets::Record>& PlacedOwnSets::levels() {
    // Never destroyed, like every registry a host's static objects may reach
    // while the process exits.
    static auto* const all = new std::vector<Record>();
    return *all;
}

PlacedOwnSets::Record* PlacedOwnSets::find(const ZAMNode* node) {
    std::vector<Record>& all = levels();
    for (auto at = all.rbegin(); at != all.rend(); ++at) {
        if (at->node == node) {
            return &*at;
        }
    }
    return nullptr;
}

}  // namespace zamcore
