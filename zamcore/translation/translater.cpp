#include "zamcore/translation/translater.h"

#include "zamcore/language/option_parser.h"

ZAMTranslater::ZAMTranslater() = default;

ZAMTranslater::~ZAMTranslater() = default;

void ZAMTranslater::addModuleMapping(const std::string& oldModuleId,
                                     const std::string& newModuleId) {
    moduleRenames_[oldModuleId] = newModuleId;
}

void ZAMTranslater::addOptionMapping(const std::string& moduleId, const std::string& oldOptionName,
                                     const std::string& newOptionName) {
    optionRenames_[moduleId][oldOptionName] = newOptionName;
}

std::pair<std::string, std::string> ZAMTranslater::lookupMapping(const std::string& moduleId,
                                                                 const std::string& optionName) {
    std::pair<std::string, std::string> result(moduleId, optionName);
    auto module = optionRenames_.find(moduleId);
    if (module != optionRenames_.end()) {
        auto option = module->second.find(optionName);
        if (option != module->second.end()) {
            result.second = option->second;
        }
    }
    auto renamed = moduleRenames_.find(moduleId);
    if (renamed != moduleRenames_.end()) {
        result.first = renamed->second;
    }
    return result;
}

std::string ZAMTranslater::translateOption(const std::string& text) {
    ZAMOptionParser parser(nullptr, text);
    return parser.translateDeclaration(this);
}
