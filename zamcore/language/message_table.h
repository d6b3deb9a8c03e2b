#ifndef ZAMCORE_LANGUAGE_MESSAGE_TABLE_H
#define ZAMCORE_LANGUAGE_MESSAGE_TABLE_H

#include <string>

namespace zamcore {

// Every syntax error key the grammars raise. The grammars name keys only
// through this enumeration, so a mistyped key does not compile; the text a
// host's localizeString receives is keyText(key).
enum class MessageKey : int {
    // The keys of the default message table, in its order.
    PubPriv,             // "SE_pubpriv"
    ExtraInput,          // "SE_extrainput": tokens after a declaration
    ExpectOptName,       // "SE_expect_optname"
    PresPublic,          // "SE_pres_public"
    ExpectOptType,       // "SE_expect_opttype"
    ExpectModId,         // "SE_expect_modid"
    ExpectColon,         // "SE_expect_colon"
    ExpectValue,         // "SE_expect_value"
    ExpectDefValue,      // "SE_expect_defvalue"
    InvalidDefault,      // "SE_invalid_default"
    ExpectInt,           // "SE_expect_int"
    ExpectReal,          // "SE_expect_real"
    MaxMin,              // "SE_max_min"
    Unexpected,          // "SE_unexpected"
    MissingEndif,        // "SE_missing_endif"
    MissingThen,         // "SE_missing_then"
    MissingTo,           // "SE_missing_to"
    ExpectCloseBracket,  // "SE_expect_closebracket"
    ExpectOptOrVal,      // "SE_expect_optorval"
    Conditional,         // "SE_conditional": in the table, raised by no grammar
    PathInternal,        // "SE_path_internal"
    Path,                // "SE_path"
    // Added later, with default messages of their own.
    InvalidBase,  // "SE_invalid_base": an option would be based on itself
    TooDeep,      // "SE_too_deep": an expression nested beyond the parser's limit
    // Keys without a default message: the default localization is the key.
    RuleExtraInput,     // "SE_extra_input": tokens after a rule text or condition
    MutuallyExclusive,  // "SE_mutually_exclusive"
    Count
};

// The key as hosts see it, e.g. "SE_invalid_default".
const char* keyText(MessageKey key);

// The built-in English message for a syntax error key, or the key itself
// when the table has no message for it.
std::string defaultMessage(const std::string& key);

}  // namespace zamcore

#endif
