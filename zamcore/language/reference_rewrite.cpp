#include "zamcore/language/reference_rewrite.h"

#include <utility>

#include "zamcore/language/identifier_quoting.h"
#include "zamcore/language/lexer.h"
#include "zamcore/translation/translater.h"

namespace zamcore {

void finishHeldReference(ZAMLexer& lexer, ZAMTranslater& translater, const std::string& moduleId,
                         const std::string& optionName) {
    const std::pair<std::string, std::string> renamed =
        translater.lookupMapping(moduleId, optionName);
    if (renamed.first == moduleId && renamed.second == optionName) {
        lexer.keepHeld();
    } else {
        lexer.replaceHeld(referenceText(renamed.first, renamed.second));
    }
}

}  // namespace zamcore
