#include "zamcore/configuration/placed_own_sets.h"

#include "zamcore/configuration/evaluation_caches.h"
#include "zamcore/configuration/node.h"
#include "zamcore/model/module.h"
#include "zamcore/model/window.h"

namespace zamcore {

PlacedOwnSets::Level::Level(const ref_count_ptr<ZAMWindow>& window, const ZAMNode* node)
    : window_(window) {
    if (PlacedOwnSets* record = of(window_.get())) {
        record->levels_.push_back(Record{node, false, nullptr, nullptr});
    }
}

PlacedOwnSets::Level::~Level() {
    if (PlacedOwnSets* record = of(window_.get())) {
        record->levels_.pop_back();
    }
}

bool PlacedOwnSets::isPlaced(const ZAMNode* node, const ZAMModule& module) {
    PlacedOwnSets* record = of(module);
    const Record* level = record != nullptr ? record->find(node) : nullptr;
    return level != nullptr && level->placed && level->module == &module &&
           level->parent == node->parent();
}

void PlacedOwnSets::placed(const ZAMNode* node, const ZAMModule& module) {
    PlacedOwnSets* record = of(module);
    if (Record* level = record != nullptr ? record->find(node) : nullptr) {
        *level = Record{node, true, node->parent(), &module};
    }
}

void PlacedOwnSets::stored(ZAMWindow* window, const ZAMNode* node) {
    PlacedOwnSets* record = of(window);
    if (record == nullptr) {
        return;
    }
    std::vector<Record>& all = record->levels_;
    std::size_t first = 0;
    while (first < all.size() && all[first].node != node) {
        ++first;
    }
    for (std::size_t at = first; at < all.size(); ++at) {
        all[at].placed = false;
    }
}

void PlacedOwnSets::forgetAll(ZAMWindow* window) {
    if (PlacedOwnSets* record = of(window)) {
        record->forget();
    }
}

void PlacedOwnSets::forget() {
    for (Record& level : levels_) {
        level.placed = false;
    }
}

PlacedOwnSets* PlacedOwnSets::of(const ZAMModule& module) {
    return of(module.window().get());
}

// Through the window's caches, which forget every putting first when the
// window's modules or options changed.
PlacedOwnSets* PlacedOwnSets::of(ZAMWindow* window) {
    return window != nullptr ? &EvaluationCaches::placedOwnSets(*window) : nullptr;
}

PlacedOwnSets::Record* PlacedOwnSets::find(const ZAMNode* node) {
    for (auto at = levels_.rbegin(); at != levels_.rend(); ++at) {
        if (at->node == node) {
            return &*at;
        }
    }
    return nullptr;
}

}  // namespace zamcore
