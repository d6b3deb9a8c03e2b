#include "zamcore/language/syntax_error.h"

#include "zamcore/language/lexer.h"
#include "zamcore/language/message_table.h"
#include "zamcore/runtime/exception.h"
#include "zamcore/runtime/zam.h"

namespace zamcore {

namespace {

[[noreturn]] void throwAtToken(const ZAMLexer& lexer, const std::string& message) {
    const ZAMLexer::ErrorContext context = lexer.errorContext();
    throw ZAMSyntaxError(message, context.text, context.line);
}

}  // namespace

std::string localizedMessage(const std::string& key) {
    ZAM::AdapterInterface* adapter = ZAM::adapterInterface();
    return adapter != nullptr ? adapter->localizeString(key) : defaultMessage(key);
}

void raiseSyntaxError(const ZAMLexer& lexer, const std::string& key) {
    throwAtToken(lexer, localizedMessage(key));
}

void raiseRuleSyntaxError(const ZAMLexer& lexer, const std::string& key) {
    std::string message = localizedMessage(key);
    if (key == "SE_unexpected") {
        message += ' ';
        message += lexer.identifierValue();
    }
    throwAtToken(lexer, message);
}

}  // namespace zamcore
