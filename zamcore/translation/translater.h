#ifndef ZAMCORE_TRANSLATION_TRANSLATER_H
#define ZAMCORE_TRANSLATION_TRANSLATER_H

#include <map>
#include <string>
#include <utility>

#include "zamcore/runtime/export.h"

// Rewrites stored texts after modules or options were renamed. It reads each
// text with the ordinary parser in rewrite mode, so only real option
// references change, everything else is copied character for character, and
// a text with a syntax error is refused with the parser's error. Renames are
// keyed by the old module id as the texts write it.
class ZAMCORE_API ZAMTranslater {
public:
    ZAMTranslater();
    ~ZAMTranslater();

    // A later mapping for the same old id (or module and option) replaces
    // the earlier one.
    void addModuleMapping(const std::string& oldModuleId, const std::string& newModuleId);
    void addOptionMapping(const std::string& moduleId, const std::string& oldOptionName,
                          const std::string& newOptionName);

    // (new module id, new option name) for a reference written as
    // moduleId:optionName; each part unchanged when no rename applies.
    std::pair<std::string, std::string> lookupMapping(const std::string& moduleId,
                                                      const std::string& optionName);

    // One option declaration line with the references of its "presents",
    // "implements" or "uses" part renamed. Throws the line's syntax error.
    std::string translateOption(const std::string& text);

private:
    std::map<std::string, std::string> moduleRenames_;
    std::map<std::string, std::map<std::string, std::string>> optionRenames_;
};

#endif
