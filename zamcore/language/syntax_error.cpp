#include "zamcore/language/syntax_error.h"

#include "zamcore/runtime/exception.h"
#include "zamcore/runtime/zam.h"

namespace zamcore {

namespace {

[[noreturn]] void throwAt(const ZAMLexer::ErrorContext& context, const std::string& message) {
    throw ZAMSyntaxError(message, context.text, context.line);
}

}  // namespace

std::string localizedMessage(MessageKey key) {
    const std::string text = keyText(key);
    ZAM::AdapterInterface* adapter = ZAM::adapterInterface();
    return adapter != nullptr ? adapter->localizeString(text) : defaultMessage(text);
}

void raiseSyntaxError(const ZAMLexer& lexer, MessageKey key) {
    raiseSyntaxErrorAt(lexer, lexer.mark(), key);
}

void raiseSyntaxErrorAt(const ZAMLexer& lexer, const ZAMLexer::Mark& at, MessageKey key) {
    throwAt(lexer.errorContext(at), localizedMessage(key));
}

void raiseRuleSyntaxError(const ZAMLexer& lexer, MessageKey key) {
    std::string message = localizedMessage(key);
    if (key == MessageKey::Unexpected) {
        message += ' ';
        message += lexer.identifierValue();
    }
    throwAt(lexer.errorContext(), message);
}

}  // namespace zamcore
