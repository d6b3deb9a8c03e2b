#include "hover.h"

#include "text_file.h"

namespace rkl::lsp {

namespace {

const char* basedWord(ZAMOption::Type type) {
    switch (type) {
        case ZAMOption::Presented:
            return "presents";
        case ZAMOption::Implements:
            return "implements";
        case ZAMOption::Uses:
            return "uses";
        default:
            return nullptr;
    }
}

std::string baseLine(const ZAMOption& option) {
    const char* word = basedWord(option.type());
    const ref_count_ptr<ZAMOption> base = option.basedOn();
    if (word == nullptr || !base) {
        return std::string();
    }
    std::string line = std::string("\n\n") + word + " `" + base->moduleId() + ":" + base->name();
    if (!option.path().path().empty()) {
        line += "[" + option.path().toDisplayString() + "]";
    }
    line += "`";
    // The base's own description, when the declaration gives none.
    if (option.description().empty() && !base->description().empty()) {
        line += ": " + base->description();
    }
    return line;
}

}  // namespace

nlohmann::json hoverFor(const Workspace& workspace, const Target& target) {
    Place place;
    if (!declarationOf(workspace, target, place)) {
        return nullptr;
    }
    std::string value =
        "```rkl\n" + lineAt(*place.text, lineOf(*place.text, place.offset)) + "\n```";
    if (!target.option.empty()) {
        const ref_count_ptr<ZAMOption> option = workspace.option(target.moduleId, target.option);
        if (option && !option->description().empty()) {
            value += "\n\n" + option->description();
        }
        if (option) {
            value += baseLine(*option);
        }
    } else if (const ModuleSource* source = workspace.source(target.moduleId)) {
        value += "\n\n" + std::to_string(source->declarations().size()) + " declarations in " +
                 target.moduleId + ".rkl";
    }
    return {{"contents", {{"kind", "markdown"}, {"value", value}}}};
}

}  // namespace rkl::lsp
