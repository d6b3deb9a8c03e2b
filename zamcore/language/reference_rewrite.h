#ifndef ZAMCORE_LANGUAGE_REFERENCE_REWRITE_H
#define ZAMCORE_LANGUAGE_REFERENCE_REWRITE_H

#include <string>

class ZAMLexer;
class ZAMTranslater;

namespace zamcore {

// Ends the lexer's held run, which holds the qualified option reference
// moduleId ":" optionName just read. The run is copied as written when
// `translater` renames neither part; otherwise it is replaced by the renamed
// reference (referenceText). Every translating parse ends a held reference
// this way.
void finishHeldReference(ZAMLexer& lexer, ZAMTranslater& translater, const std::string& moduleId,
                         const std::string& optionName);

}  // namespace zamcore

#endif
