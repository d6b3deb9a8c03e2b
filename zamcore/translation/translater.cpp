#include "zamcore/translation/translater.h"

#include "zamcore/language/option_parser.h"
#include "zamcore/language/rkl_parser.h"
#include "zamcore/model/line_splitter.h"

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

std::string ZAMTranslater::translateRkl(const std::string& text) {
    ZAMRklParser parser(text);
    return parser.translateRkl(this);
}

std::string ZAMTranslater::translateCondition(const std::string& text) {
    ZAMRklParser parser(text);
    return parser.translateCondition(this);
}

std::string ZAMTranslater::translateRklData(const std::string& moduleId, const std::string& text) {
    if (text.empty()) {
        return std::string();
    }
    zamcore::LineSplitter lines(text);
    zamcore::moduleIdOf(lines.next());
    std::string result = zamcore::moduleHeader(moduleId);
    if (lines.next() != zamcore::kInterfaceStart) {
        zamcore::throwNoInterfaceStart();
    }
    for (std::string line = lines.next(); line != zamcore::kInterfaceEnd; line = lines.next()) {
        if (line.empty()) {
            zamcore::throwNoInterfaceEnd();
        }
        result += translateOption(line);
        result += '\n';
    }
    result += zamcore::kInterfaceEnd;
    result += '\n';
    result += translateRkl(lines.rest());
    return result;
}
