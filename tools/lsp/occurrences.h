#ifndef RKL_LSP_OCCURRENCES_H
#define RKL_LSP_OCCURRENCES_H

#include <cstddef>
#include <string>
#include <vector>

#include "module_source.h"
#include "product.h"

namespace rkl::lsp {

// A place where a text names an option or a module: a "module:option"
// reference (in rules, in a declaration's base, in a load-if condition), the
// name an option is declared with, or the module line's id.
struct Occurrence {
    enum Kind { Reference, Declaration, ModuleLine };
    Kind kind;
    std::string moduleId;
    std::string option;  // empty for the module line
    std::size_t moduleOffset = 0;
    std::size_t moduleLength = 0;  // 0 for a declaration, which names no module
    std::size_t optionOffset = 0;
    std::size_t optionLength = 0;

    // Whether `offset` (a cursor, so the end of a name counts) falls on the
    // module id or on the option name.
    bool onModule(std::size_t offset) const {
        return moduleLength > 0 && offset >= moduleOffset && offset <= moduleOffset + moduleLength;
    }
    bool onOption(std::size_t offset) const {
        return optionLength > 0 && offset >= optionOffset && offset <= optionOffset + optionLength;
    }
};

// Every occurrence in a module text, in text order; a text whose header or
// interface block is incomplete still gives the references it holds.
std::vector<Occurrence> occurrencesIn(const ModuleSource& source);

// The references of the load-if conditions of product.json, at their
// offsets in `productText`.
std::vector<Occurrence> conditionOccurrences(const Product& product,
                                             const std::string& productText);

// The occurrence under `offset`; null for none.
const Occurrence* occurrenceAt(const std::vector<Occurrence>& occurrences, std::size_t offset);

}  // namespace rkl::lsp

#endif
