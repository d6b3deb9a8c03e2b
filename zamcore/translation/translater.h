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
    // A rule text, or a load-if condition, with its option references
    // renamed. Throws the text's syntax error.
    std::string translateRkl(const std::string& text);
    std::string translateCondition(const std::string& text);
    // A whole module source text: its declaration lines and its rules
    // rewritten, its module line naming `moduleId` instead of the id it had.
    // The header and interface lines come back ending in "\n", without blank
    // lines; the rule text keeps its own line breaks.
    std::string translateRklData(const std::string& moduleId, const std::string& text);

private:
    std::map<std::string, std::string> moduleRenames_;
    std::map<std::string, std::map<std::string, std::string>> optionRenames_;
};

#endif
