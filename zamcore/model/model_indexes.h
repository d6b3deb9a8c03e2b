#ifndef ZAMCORE_MODEL_MODEL_INDEXES_H
#define ZAMCORE_MODEL_MODEL_INDEXES_H

#include <cstdint>
#include <functional>
#include <string_view>

#include "zamcore/model/flat_index.h"
#include "zamcore/model/module.h"
#include "zamcore/model/option.h"

namespace zamcore {

// What the model finds by key without a walk down a tree (FlatIndex).

// A window's modules by id, beside its module map.
struct ModulesById {
    using Item = ZAMModule;
    using Key = std::string_view;
    static Key keyOf(const ZAMModule& module) { return module.id(); }
    static std::uint64_t hash(Key id) { return std::hash<std::string_view>()(id); }
};

// A module's interface options by name, beside its option map.
struct OptionsByName {
    using Item = ZAMOption;
    using Key = std::string_view;
    static Key keyOf(const ZAMOption& option) { return option.name(); }
    static std::uint64_t hash(Key name) { return std::hash<std::string_view>()(name); }
};

using ModuleIndex = FlatIndex<ModulesById>;
using OptionIndex = FlatIndex<OptionsByName>;

}  // namespace zamcore

#endif
