#include "zamcore/language/message_table.h"

#include <cstddef>
#include <map>

namespace zamcore {

namespace {

struct KeyedMessage {
    const char* key;
    const char* message;
};

// Worded exactly as hosts have always seen them, doubled spaces and all.
// "SE_extra_input" and "SE_mutually_exclusive" have no text on purpose: their
// message is the key itself.
constexpr KeyedMessage kMessages[] = {
    {"SE_pubpriv", "Expected \"public\" or \"private\""},
    {"SE_extrainput", "Spurious extra input found"},
    {"SE_expect_optname", "Expected option name after ':'"},
    {"SE_pres_public", "Presented options can only be public"},
    {"SE_expect_opttype", "Expected option type, implements or presents"},
    {"SE_expect_modid", "Expected context (module) id"},
    {"SE_expect_colon", "Expected ':' parsing option name"},
    {"SE_expect_value", "Expected a value for option"},
    {"SE_expect_defvalue", "Expected a value for default"},
    {"SE_invalid_default", "Default value not valid for option"},
    {"SE_expect_int", "Expected integer value for option"},
    {"SE_expect_real", "Expected real value for option"},
    {"SE_max_min", "Maximum should be higher then minimum"},
    {"SE_unexpected", "Unexpected input"},
    {"SE_missing_endif", "Error parsing 'if' statement - missing endif"},
    {"SE_missing_then", "Error parsing 'if' statement - missing then"},
    {"SE_missing_to", "Error parsing set/fix statement: 'to' not found"},
    {"SE_expect_closebracket", "Parse error:  Expected ')'"},
    {"SE_expect_optorval", "Parse Error: Expected option or value"},
    {"SE_conditional", "Error parsing conditional expression"},
    {"SE_path_internal", "Syntax Error Parsing paths - expected path id or '.'"},
    {"SE_path", "Syntax Error Parsing path - expected one '.'  or  ']'  or a path name"},
};
static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == 22, "the default table has 22 messages");

// Built on first use; function-local statics are initialised once even when
// two threads get here first at the same time.
const std::map<std::string, std::string>& messageMap() {
    static const std::map<std::string, std::string> map = [] {
        std::map<std::string, std::string> built;
        for (const KeyedMessage& entry : kMessages) {
            built[entry.key] = entry.message;
        }
        return built;
    }();
    return map;
}

}  // namespace

std::string defaultMessage(const std::string& key) {
    const auto& map = messageMap();
    auto found = map.find(key);
    return found != map.end() ? found->second : key;
}

}  // namespace zamcore
