#ifndef ZAMCORE_LANGUAGE_SYNTAX_ERROR_H
#define ZAMCORE_LANGUAGE_SYNTAX_ERROR_H

#include <string>

#include "zamcore/language/lexer.h"
#include "zamcore/language/message_table.h"

namespace zamcore {

// The message a host sees for a syntax error key: the installed adapter's
// localizeString, or the built-in table when no adapter is installed (paths
// can be parsed before any adapter exists). Whatever the adapter throws
// passes through.
std::string localizedMessage(MessageKey key);

// Throws ZAMSyntaxError with the localized message for `key`, and the error
// context and line of the lexer's current token. The one way the grammars
// raise a syntax error.
[[noreturn]] void raiseSyntaxError(const ZAMLexer& lexer, MessageKey key);
// The same, at a token the lexer has already passed.
[[noreturn]] void raiseSyntaxErrorAt(const ZAMLexer& lexer, const ZAMLexer::Mark& at,
                                     MessageKey key);

// The rule and condition grammar's variant: for "SE_unexpected" the message
// is followed by a space and the text of the offending token (nothing after
// the space at the end of the text). Other keys are raised as above.
[[noreturn]] void raiseRuleSyntaxError(const ZAMLexer& lexer, MessageKey key);

}  // namespace zamcore

#endif
