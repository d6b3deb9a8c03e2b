#include "zamcore/language/message_table.h"

#include <cstddef>
#include <map>

namespace zamcore {

namespace {

struct KeyRow {
    MessageKey key;
    const char* text;
    const char* message;  // null: the key is its own message
};

constexpr std::size_t kKeyCount = static_cast<std::size_t>(MessageKey::Count);

// One row per key, in the order of MessageKey. The first 22 rows are the
// default messages worded exactly as hosts have always seen them, doubled
// spaces and all; the two after them are additions; the last two have no
// text on purpose.
constexpr KeyRow kKeys[] = {
    {MessageKey::PubPriv, "SE_pubpriv", "Expected \"public\" or \"private\""},
    {MessageKey::ExtraInput, "SE_extrainput", "Spurious extra input found"},
    {MessageKey::ExpectOptName, "SE_expect_optname", "Expected option name after ':'"},
    {MessageKey::PresPublic, "SE_pres_public", "Presented options can only be public"},
    {MessageKey::ExpectOptType, "SE_expect_opttype",
     "Expected option type, implements or presents"},
    {MessageKey::ExpectModId, "SE_expect_modid", "Expected context (module) id"},
    {MessageKey::ExpectColon, "SE_expect_colon", "Expected ':' parsing option name"},
    {MessageKey::ExpectValue, "SE_expect_value", "Expected a value for option"},
    {MessageKey::ExpectDefValue, "SE_expect_defvalue", "Expected a value for default"},
    {MessageKey::InvalidDefault, "SE_invalid_default", "Default value not valid for option"},
    {MessageKey::ExpectInt, "SE_expect_int", "Expected integer value for option"},
    {MessageKey::ExpectReal, "SE_expect_real", "Expected real value for option"},
    {MessageKey::MaxMin, "SE_max_min", "Maximum should be higher then minimum"},
    {MessageKey::Unexpected, "SE_unexpected", "Unexpected input"},
    {MessageKey::MissingEndif, "SE_missing_endif", "Error parsing 'if' statement - missing endif"},
    {MessageKey::MissingThen, "SE_missing_then", "Error parsing 'if' statement - missing then"},
    {MessageKey::MissingTo, "SE_missing_to", "Error parsing set/fix statement: 'to' not found"},
    {MessageKey::ExpectCloseBracket, "SE_expect_closebracket", "Parse error:  Expected ')'"},
    {MessageKey::ExpectOptOrVal, "SE_expect_optorval", "Parse Error: Expected option or value"},
    {MessageKey::Conditional, "SE_conditional", "Error parsing conditional expression"},
    {MessageKey::PathInternal, "SE_path_internal",
     "Syntax Error Parsing paths - expected path id or '.'"},
    {MessageKey::Path, "SE_path",
     "Syntax Error Parsing path - expected one '.'  or  ']'  or a path name"},
    // Additions to the table above.
    {MessageKey::InvalidBase, "SE_invalid_base", "An option cannot be based on itself"},
    {MessageKey::TooDeep, "SE_too_deep", "Expression nested too deeply"},
    // No default message.
    {MessageKey::RuleExtraInput, "SE_extra_input", nullptr},
    {MessageKey::MutuallyExclusive, "SE_mutually_exclusive", nullptr},
};
static_assert(sizeof(kKeys) / sizeof(kKeys[0]) == kKeyCount, "one row per message key");

constexpr bool rowsInKeyOrder() {
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        if (static_cast<std::size_t>(kKeys[i].key) != i) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInKeyOrder(), "rows follow the order of MessageKey");

// Built on first use; function-local statics are initialised once even when
// two threads get here first at the same time.
const std::map<std::string, std::string>& messageMap() {
    static const std::map<std::string, std::string> map = [] {
        std::map<std::string, std::string> built;
        for (const KeyRow& row : kKeys) {
            if (row.message != nullptr) {
                built[row.text] = row.message;
            }
        }
        return built;
    }();
    return map;
}

}  // namespace

const char* keyText(MessageKey key) {
    return kKeys[static_cast<std::size_t>(key)].text;
}

std::string defaultMessage(const std::string& key) {
    const auto& map = messageMap();
    auto found = map.find(key);
    return found != map.end() ? found->second : key;
}

}  // namespace zamcore
