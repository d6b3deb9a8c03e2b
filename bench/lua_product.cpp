#include "lua_product.h"

#include <lua.hpp>

#include <stdexcept>

namespace zambench {
namespace {

// What every chunk shares, and the loops the benchmarks time: they run in
// Lua, so no call crosses from C++ per module or per condition.
const char* const kSupport = R"lua(
local messages = 0
local driver = {
    -- Stored how-sets that a rule's "set" or "fix" may not replace: fixed by
    -- the user, fixed by a rule, inherited.
    BLOCK = {[3] = true, [4] = true, [5] = true},
    R = {}, D = {}, C = {}, S = {},
}
function driver.msg(severity, text)
    messages = messages + 1
    return true
end
local function copy(t)
    local c = {}
    for k, x in pairs(t) do c[k] = x end
    return c
end
function driver.runOne(i)
    local v = copy(driver.D[i])
    driver.R[i](v, {})
    return v
end
function driver.runRules()
    local R, D = driver.R, driver.D
    for i = 1, #R do R[i](copy(D[i]), {}) end
end
function driver.evaluateConditions()
    local C, S, yes = driver.C, driver.S, 0
    for j = 1, #C do
        local u, t = C[j](S[j])
        if t then yes = yes + 1 end
    end
    return yes
end
function driver.messages() return messages end
return driver
)lua";

std::string luaLiteral(const Literal& literal) {
    return literal.unset ? "nil" : literal.text();
}

const char* luaOperator(const Expr& expr) {
    switch (expr.op) {
        case Expr::Add:
            return expr.kind == Kind::String ? ".." : "+";
        case Expr::Sub:
            return "-";
        case Expr::Mul:
            return "*";
        case Expr::Div:
            return "/";
        case Expr::Eq:
            return "==";
        case Expr::Ne:
            return "~=";
        case Expr::Lt:
            return "<";
        case Expr::Gt:
            return ">";
        case Expr::Le:
            return "<=";
        case Expr::Ge:
            return ">=";
        default:
            return "";
    }
}

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Logical:
            return "boolean";
        case Kind::Int:
        case Kind::Real:
            return "number";
        case Kind::String:
            return "string";
    }
    return "";
}

// Writes one chunk. Every intermediate value lives in a local of its own;
// each statement is a block of its own, so locals do not pile up.
class LuaWriter {
public:
    explicit LuaWriter(const Product& product) : product_(product) {}

    std::string rules(int module) {
        indent_ = 1;
        statements(product_.modules[static_cast<std::size_t>(module)].rules);
        return "local BLOCK, msg = ...\n" + tables_ + "return function(v, h)\n" + body_ + "end\n";
    }

    std::string conditions(const std::vector<int>& nodes) {
        indent_ = 1;
        int count = 0;
        for (int n : nodes) {
            const NodeSpec& node = product_.nodes[static_cast<std::size_t>(n)];
            body_ += "C[" + std::to_string(++count) + "] = function(v)\n";
            const std::string truth = value(*node.condition);
            line("if " + truth + " == nil then return true, false end");
            line("return false, " + truth);
            body_ += "end\n";
        }
        return "local C = {}\n" + body_ + "return C\n";
    }

private:
    void line(const std::string& text) {
        body_.append(static_cast<std::size_t>(indent_) * 4, ' ');
        body_ += text;
        body_ += '\n';
    }

    std::string fresh() { return "t" + std::to_string(++temps_); }

    std::string key(const OptionRef& ref) const {
        return product_.modules[static_cast<std::size_t>(ref.module)].id + "_" +
               product_.option(ref).name;
    }

    // The Lua text of the expression's value, after the lines that compute
    // it.
    std::string value(const Expr& expr) {
        switch (expr.op) {
            case Expr::Lit:
                return luaLiteral(expr.literal);
            case Expr::Read: {
                const std::string t = fresh();
                line("local " + t + " = v." + key(expr.ref));
                return t;
            }
            case Expr::Add:
            case Expr::Sub:
            case Expr::Mul:
            case Expr::Div:
                return arithmetic(expr);
            case Expr::And:
            case Expr::Or:
                return logical(expr);
            case Expr::Not: {
                const std::string operand = value(*expr.left);
                const std::string t = fresh();
                line("local " + t);
                line("if " + operand + " ~= nil then " + t + " = not " + operand + " end");
                return t;
            }
            default:
                return comparison(expr);
        }
    }

    // The right operand first, as the engine evaluates it; no value on
    // either side gives no value.
    std::string arithmetic(const Expr& expr) {
        if (expr.op == Expr::Div && expr.kind == Kind::Int) {
            throw std::logic_error("integer division truncates differently in Lua");
        }
        const std::string right = value(*expr.right);
        const std::string left = value(*expr.left);
        std::string guard;
        for (const Expr* side : {expr.left.get(), expr.right.get()}) {
            if (side->op != Expr::Lit) {
                const std::string& name = side == expr.left.get() ? left : right;
                guard += (guard.empty() ? "" : " and ") + name + " ~= nil";
            }
        }
        const std::string t = fresh();
        const std::string result = left + " " + luaOperator(expr) + " " + right;
        if (guard.empty()) {
            line("local " + t + " = " + result);
        } else {
            line("local " + t);
            line("if " + guard + " then " + t + " = " + result + " end");
        }
        return t;
    }

    // No value on the left gives no value without reading the right.
    std::string comparison(const Expr& expr) {
        const std::string left = value(*expr.left);
        const std::string t = fresh();
        line("local " + t);
        line("if " + left + " ~= nil then");
        ++indent_;
        const std::string right = value(*expr.right);
        const std::string result = t + " = " + left + " " + luaOperator(expr) + " " + right;
        if (expr.right->op == Expr::Lit) {
            line(result);
        } else {
            line("if " + right + " ~= nil then " + result + " end");
        }
        --indent_;
        line("end");
        return t;
    }

    // Both sides are evaluated. True wins "or", both true make "and" true;
    // otherwise a side without a value leaves no value.
    std::string logical(const Expr& expr) {
        const std::string left = value(*expr.left);
        const std::string right = value(*expr.right);
        const std::string t = fresh();
        const char* join = expr.op == Expr::And ? " and " : " or ";
        line("local " + t);
        line("if " + left + " == true" + join + right + " == true then " + t + " = true elseif " +
             left + " ~= nil and " + right + " ~= nil then " + t + " = false end");
        return t;
    }

    std::string choiceTable(const Allowed& allowed) {
        std::string entries;
        for (const Literal& choice : allowed.choices) {
            entries += (entries.empty() ? "[" : ", [") + luaLiteral(choice) + "] = true";
        }
        for (const auto& table : tableNames_) {
            if (table.first == entries) {
                return table.second;
            }
        }
        const std::string name = "CHOICES" + std::to_string(tableNames_.size() + 1);
        tables_ += "local " + name + " = {" + entries + "}\n";
        tableNames_.emplace_back(entries, name);
        return name;
    }

    // The engine refuses a value its option does not allow.
    void check(const OptionSpec& option, const std::string& x) {
        const Allowed& allowed = option.allowed;
        std::string bad;
        switch (allowed.form) {
            case Allowed::Any:
                bad = "type(" + x + ") ~= \"" + kindName(option.kind) + "\"";
                break;
            case Allowed::Range:
                bad = x + " < " + luaLiteral(allowed.low) + " or " + x + " > " +
                      luaLiteral(allowed.high);
                break;
            case Allowed::Choices:
                bad = "not " + choiceTable(allowed) + "[" + x + "]";
                break;
            case Allowed::AtLeast:
                bad = x + " < " + luaLiteral(allowed.low);
                break;
            case Allowed::Below:
                bad = x + " >= " + luaLiteral(allowed.high);
                break;
            case Allowed::Above:
                bad = x + " <= " + luaLiteral(allowed.low);
                break;
        }
        line("if " + x + " ~= nil and (" + bad + ") then error(\"204\") end");
    }

    void statements(const std::vector<Statement>& list) {
        for (const Statement& statement : list) {
            line("do");
            ++indent_;
            this->statement(statement);
            --indent_;
            line("end");
        }
    }

    void statement(const Statement& statement) {
        switch (statement.type) {
            case Statement::Set:
            case Statement::Fix:
                assignment(statement);
                break;
            case Statement::Message: {
                const std::string text = value(*statement.value);
                const std::string shown = statement.value->op == Expr::Lit
                                              ? text
                                              : text + " == nil and \"***UNSET***\" or " + text;
                line("if not msg(" + std::to_string(statement.severity) + ", " + shown +
                     ") then error(\"500\") end");
                break;
            }
            case Statement::If:
                branch(statement, 0);
                break;
        }
    }

    // A value equal to the stored one changes nothing, not even the how-set.
    void assignment(const Statement& statement) {
        std::string x = value(*statement.value);
        if (statement.value->op == Expr::Lit) {
            line("local x = " + x);
            x = "x";
        }
        check(product_.option(statement.target), x);
        const std::string field = "v." + key(statement.target);
        const std::string how = "h." + key(statement.target);
        line("if " + field + " ~= " + x + " and not BLOCK[" + how + "] then " + field + " = " + x +
             " " + how + " = " + (statement.type == Statement::Fix ? "4" : "2") + " end");
    }

    // A condition without a logical value runs no branch at all, and no
    // "elif" behind it.
    void branch(const Statement& statement, std::size_t index) {
        const Branch& current = statement.branches[index];
        const std::string truth = value(*current.condition);
        line("if " + truth + " == true then");
        ++indent_;
        statements(current.body);
        --indent_;
        if (index + 1 < statement.branches.size()) {
            line("elseif " + truth + " == false then");
            ++indent_;
            branch(statement, index + 1);
            --indent_;
        } else if (statement.hasElse) {
            line("elseif " + truth + " == false then");
            ++indent_;
            statements(statement.otherwise);
            --indent_;
        }
        line("end");
    }

    const Product& product_;
    std::string body_;
    std::string tables_;
    int indent_ = 0;
    int temps_ = 0;
    std::vector<std::pair<std::string, std::string>> tableNames_;  // entries, name
};

void pushLiteral(lua_State* state, const Literal& literal) {
    if (literal.unset) {
        lua_pushnil(state);
        return;
    }
    switch (literal.kind) {
        case Kind::Logical:
            lua_pushboolean(state, literal.b ? 1 : 0);
            break;
        case Kind::Int:
            lua_pushinteger(state, literal.i);
            break;
        case Kind::Real:
            lua_pushnumber(state, literal.r);
            break;
        case Kind::String:
            lua_pushlstring(state, literal.s.data(), literal.s.size());
            break;
    }
}

Literal toLiteral(lua_State* state, int index) {
    switch (lua_type(state, index)) {
        case LUA_TBOOLEAN:
            return Literal::ofBool(lua_toboolean(state, index) != 0);
        case LUA_TNUMBER:
            if (lua_isinteger(state, index)) {
                return Literal::ofInt(static_cast<int>(lua_tointeger(state, index)));
            }
            return Literal::ofReal(lua_tonumber(state, index));
        case LUA_TSTRING: {
            std::size_t length = 0;
            const char* text = lua_tolstring(state, index, &length);
            return Literal::ofString(std::string(text, length));
        }
        default:
            return Literal::none(Kind::Int);
    }
}

std::string keyOf(const Product& product, const OptionRef& ref) {
    return product.modules[static_cast<std::size_t>(ref.module)].id + "_" +
           product.option(ref).name;
}

}  // namespace

std::string luaRules(const Product& product, int module) {
    return LuaWriter(product).rules(module);
}

std::string luaConditions(const Product& product, const std::vector<int>& nodes) {
    return LuaWriter(product).conditions(nodes);
}

LuaProduct::LuaProduct(const Product& product) : product_(product), state_(luaL_newstate()) {
    if (state_ == nullptr) {
        throw std::runtime_error("no memory for a Lua state");
    }
    luaL_openlibs(state_);
    loadChunk(kSupport, 0, 1);
    lua_setglobal(state_, "driver");
    lua_getglobal(state_, "driver");
    const int driver = lua_gettop(state_);
    const int modules = static_cast<int>(product.modules.size());
    for (int m = 0; m < modules; ++m) {
        ruleChunks_.push_back(luaRules(product, m));
        lua_getfield(state_, driver, "BLOCK");
        lua_getfield(state_, driver, "msg");
        loadChunk(ruleChunks_.back(), 2, 1);
        lua_getfield(state_, driver, "R");
        lua_insert(state_, -2);
        lua_rawseti(state_, -2, m + 1);
        lua_pop(state_, 1);

        lua_getfield(state_, driver, "D");
        lua_newtable(state_);
        for (const OptionRef& ref : product.modules[static_cast<std::size_t>(m)].scope) {
            pushLiteral(state_, product.option(ref).defaultValue);
            lua_setfield(state_, -2, keyOf(product, ref).c_str());
        }
        lua_rawseti(state_, -2, m + 1);
        lua_pop(state_, 1);
    }
    // The values each module's rules leave, which its conditions read.
    lua_newtable(state_);
    const int after = lua_gettop(state_);
    for (int m = 0; m < modules; ++m) {
        lua_getfield(state_, driver, "runOne");
        lua_pushinteger(state_, m + 1);
        if (lua_pcall(state_, 1, 1, 0) != LUA_OK) {
            throw std::runtime_error(lua_tostring(state_, -1));
        }
        lua_rawseti(state_, after, m + 1);
    }
    lua_getfield(state_, driver, "C");
    lua_getfield(state_, driver, "S");
    const std::vector<std::vector<int>> byModule = conditionsByModule(product);
    for (int m = 0; m < modules; ++m) {
        loadChunk(luaConditions(product, byModule[static_cast<std::size_t>(m)]), 0, 1);
        const lua_Integer count = luaL_len(state_, -1);
        for (lua_Integer i = 1; i <= count; ++i) {
            lua_rawgeti(state_, -1, i);
            lua_rawseti(state_, -4, static_cast<lua_Integer>(conditionModules_.size() + 1));
            lua_rawgeti(state_, after, m + 1);
            lua_rawseti(state_, -3, static_cast<lua_Integer>(conditionModules_.size() + 1));
            conditionModules_.push_back(m);
        }
        lua_pop(state_, 1);
    }
    lua_settop(state_, 0);
}

LuaProduct::~LuaProduct() {
    lua_close(state_);
}

// Compiles `source` and calls the chunk with the `arguments` values below it
// on the stack.
void LuaProduct::loadChunk(const std::string& source, int arguments, int results) {
    if (luaL_loadbufferx(state_, source.data(), source.size(), "=generated", "t") != LUA_OK) {
        throw std::runtime_error(lua_tostring(state_, -1));
    }
    lua_insert(state_, -1 - arguments);
    if (lua_pcall(state_, arguments, results, 0) != LUA_OK) {
        throw std::runtime_error(lua_tostring(state_, -1));
    }
}

void LuaProduct::callDriver(const char* name, int results) {
    lua_getglobal(state_, "driver");
    lua_getfield(state_, -1, name);
    lua_remove(state_, -2);
    if (lua_pcall(state_, 0, results, 0) != LUA_OK) {
        throw std::runtime_error(lua_tostring(state_, -1));
    }
}

std::size_t LuaProduct::compileRules() {
    std::size_t bytes = 0;
    for (const std::string& chunk : ruleChunks_) {
        if (luaL_loadbufferx(state_, chunk.data(), chunk.size(), "=rules", "t") != LUA_OK) {
            throw std::runtime_error(lua_tostring(state_, -1));
        }
        lua_pop(state_, 1);
        bytes += chunk.size();
    }
    return bytes;
}

void LuaProduct::runRules() {
    callDriver("runRules", 0);
}

long LuaProduct::evaluateConditions() {
    callDriver("evaluateConditions", 1);
    const long yes = static_cast<long>(lua_tointeger(state_, -1));
    lua_pop(state_, 1);
    return yes;
}

std::vector<Literal> LuaProduct::rulesResult(int module, const std::vector<OptionRef>& refs) {
    lua_getglobal(state_, "driver");
    lua_getfield(state_, -1, "runOne");
    lua_pushinteger(state_, module + 1);
    if (lua_pcall(state_, 1, 1, 0) != LUA_OK) {
        throw std::runtime_error(lua_tostring(state_, -1));
    }
    std::vector<Literal> values;
    for (const OptionRef& ref : refs) {
        lua_getfield(state_, -1, keyOf(product_, ref).c_str());
        values.push_back(toLiteral(state_, -1));
        lua_pop(state_, 1);
    }
    lua_settop(state_, 0);
    return values;
}

std::vector<std::pair<bool, bool>> LuaProduct::conditionResults() {
    std::vector<std::pair<bool, bool>> results;
    lua_getglobal(state_, "driver");
    lua_getfield(state_, -1, "C");
    lua_getfield(state_, -2, "S");
    for (std::size_t j = 1; j <= conditionModules_.size(); ++j) {
        lua_rawgeti(state_, -2, static_cast<lua_Integer>(j));
        lua_rawgeti(state_, -2, static_cast<lua_Integer>(j));
        if (lua_pcall(state_, 1, 2, 0) != LUA_OK) {
            throw std::runtime_error(lua_tostring(state_, -1));
        }
        results.emplace_back(lua_toboolean(state_, -2) != 0, lua_toboolean(state_, -1) != 0);
        lua_pop(state_, 2);
    }
    lua_settop(state_, 0);
    return results;
}

long LuaProduct::messages() const {
    lua_getglobal(state_, "driver");
    lua_getfield(state_, -1, "messages");
    lua_remove(state_, -2);
    lua_call(state_, 0, 1);
    const long count = static_cast<long>(lua_tointeger(state_, -1));
    lua_pop(state_, 1);
    return count;
}

std::size_t LuaProduct::ruleBytes() const {
    std::size_t bytes = 0;
    for (const std::string& chunk : ruleChunks_) {
        bytes += chunk.size();
    }
    return bytes;
}

}  // namespace zambench
