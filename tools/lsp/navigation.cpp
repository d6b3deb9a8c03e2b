#include "navigation.h"

#include "text_position.h"
#include "uri.h"

namespace rkl::lsp {

namespace {

// Where `occurrence` names `target`; false when it does not.
bool naming(const Occurrence& occurrence, const Target& target, std::size_t& offset,
            std::size_t& length) {
    if (occurrence.moduleId != target.moduleId) {
        return false;
    }
    if (target.option.empty()) {
        offset = occurrence.moduleOffset;
        length = occurrence.moduleLength;
        return length > 0;
    }
    offset = occurrence.optionOffset;
    length = occurrence.optionLength;
    return occurrence.option == target.option && occurrence.kind != Occurrence::ModuleLine;
}

bool isDeclaration(const Occurrence& occurrence, const Target& target) {
    return target.option.empty() ? occurrence.kind == Occurrence::ModuleLine
                                 : occurrence.kind == Occurrence::Declaration;
}

}  // namespace

FileView viewOf(const Workspace& workspace, const std::string& path) {
    FileView view;
    if (workspace.isProductFile(path)) {
        view.text = &workspace.productText();
        view.occurrences = conditionOccurrences(workspace.product(), workspace.productText());
    } else if (const ModuleSource* source = workspace.source(workspace.moduleIdOf(path))) {
        view.text = &source->text();
        view.occurrences = occurrencesIn(*source);
    }
    return view;
}

bool targetAt(const FileView& view, std::size_t offset, Target& target) {
    const Occurrence* occurrence = occurrenceAt(view.occurrences, offset);
    if (occurrence == nullptr) {
        return false;
    }
    target.moduleId = occurrence->moduleId;
    target.option = occurrence->onOption(offset) ? occurrence->option : std::string();
    return true;
}

nlohmann::json locationJson(const Place& place) {
    return {{"uri", uriFromPath(place.path)},
            {"range", rangeJson(*place.text, place.offset, place.length)}};
}

bool declarationOf(const Workspace& workspace, const Target& target, Place& place) {
    const ModuleSource* source = workspace.source(target.moduleId);
    if (source == nullptr) {
        return false;
    }
    for (const Occurrence& occurrence : occurrencesIn(*source)) {
        std::size_t offset = 0;
        std::size_t length = 0;
        if (isDeclaration(occurrence, target) && naming(occurrence, target, offset, length)) {
            place = Place{source->path(), &source->text(), offset, length};
            return true;
        }
    }
    return false;
}

std::vector<Place> referencesTo(const Workspace& workspace, const Target& target,
                                bool withDeclaration) {
    std::vector<Place> places;
    const auto collect = [&](const std::string& path, const std::string& text,
                             const std::vector<Occurrence>& occurrences) {
        for (const Occurrence& occurrence : occurrences) {
            std::size_t offset = 0;
            std::size_t length = 0;
            if (naming(occurrence, target, offset, length) &&
                (withDeclaration || !isDeclaration(occurrence, target))) {
                places.push_back(Place{path, &text, offset, length});
            }
        }
    };
    for (const auto& [id, source] : workspace.sources()) {
        collect(source.path(), source.text(), occurrencesIn(source));
    }
    collect(workspace.productPath(), workspace.productText(),
            conditionOccurrences(workspace.product(), workspace.productText()));
    return places;
}

}  // namespace rkl::lsp
