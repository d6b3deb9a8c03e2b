#include "occurrences.h"

namespace rkl::lsp {

namespace {

// `reference` found in `text`, which starts at `base` of the file.
Occurrence fromReference(const rkl::Reference& reference, const std::string& text,
                         std::size_t base) {
    const std::size_t optionEnd = reference.offset + reference.length;
    return Occurrence{Occurrence::Reference,
                      reference.moduleId,
                      reference.option,
                      base + reference.offset,
                      identifierEnd(text, reference.offset) - reference.offset,
                      base + reference.optionOffset,
                      optionEnd - reference.optionOffset};
}

void addConditions(const NodeSpec& node, const std::string& text, std::vector<Occurrence>& found) {
    std::size_t offset = 0;
    std::size_t length = 0;
    // Offsets in the condition are offsets in the file only when the JSON
    // string holds no escapes; such a string is written out character by
    // character after its opening quote.
    if (!node.loadIf.empty() && stringMemberSpan(text, node.offset, "loadIf", offset, length) &&
        text.compare(offset + 1, node.loadIf.size(), node.loadIf) == 0) {
        forEachReference(node.loadIf, [&](const rkl::Reference& reference) {
            found.push_back(fromReference(reference, node.loadIf, offset + 1));
        });
    }
    for (const NodeSpec& child : node.children) {
        addConditions(child, text, found);
    }
}

}  // namespace

std::vector<Occurrence> occurrencesIn(const ModuleSource& source) {
    std::vector<Occurrence> found;
    const ModuleSource::Line& header = source.header();
    if (!header.text.empty()) {
        found.push_back(Occurrence{Occurrence::ModuleLine, source.id(), "", header.offset + 7,
                                   header.text.size() - 7, 0, 0});
    }
    for (const ModuleSource::Line& declaration : source.declarations()) {
        const ModuleSource::DeclaredName name = ModuleSource::declaredName(declaration.text);
        if (!name.name.empty()) {
            found.push_back(Occurrence{Occurrence::Declaration, source.id(), name.name, 0, 0,
                                       declaration.offset + name.offset, name.length});
        }
        forEachReference(declaration.text, [&](const rkl::Reference& reference) {
            found.push_back(fromReference(reference, declaration.text, declaration.offset));
        });
    }
    forEachReference(source.rules(), [&](const rkl::Reference& reference) {
        found.push_back(fromReference(reference, source.rules(), source.rulesOffset()));
    });
    return found;
}

std::vector<Occurrence> conditionOccurrences(const Product& product,
                                             const std::string& productText) {
    std::vector<Occurrence> found;
    addConditions(product.root, productText, found);
    return found;
}

const Occurrence* occurrenceAt(const std::vector<Occurrence>& occurrences, std::size_t offset) {
    for (const Occurrence& occurrence : occurrences) {
        if (occurrence.onModule(offset) || occurrence.onOption(offset)) {
            return &occurrence;
        }
    }
    return nullptr;
}

}  // namespace rkl::lsp
