#ifndef ZAMCORE_BENCH_LUA_PRODUCT_H
#define ZAMCORE_BENCH_LUA_PRODUCT_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "product_generator.h"

struct lua_State;

// The rules and load-if conditions of a generated product written as Lua 5.4,
// the reference the engine is measured against: the same logic on the same
// values, written as a host would write it by hand.
//
// Options are fields of a table ("unit3_width"); no value is nil. The
// three-valued logic, the unset value passing through arithmetic, the check
// of every written value against the option's allowed values and the rule
// that a fixed (or inherited, or user-fixed) value is not overwritten are
// all written out, statement by statement.
namespace zambench {

// One chunk per module: it receives the override table and the message
// function and returns the function that runs the rules on (values,
// how-sets).
std::string luaRules(const Product& product, int module);

// One chunk for the conditions of `nodes`: it returns a list of functions,
// each taking the values and returning (undetermined, truth).
std::string luaConditions(const Product& product, const std::vector<int>& nodes);

class LuaProduct {
public:
    explicit LuaProduct(const Product& product);
    ~LuaProduct();
    LuaProduct(const LuaProduct&) = delete;
    LuaProduct& operator=(const LuaProduct&) = delete;

    // Compiles every module's rule chunk without running it; returns the
    // bytes compiled.
    std::size_t compileRules();
    // Runs every module's rules on a fresh copy of its defaults.
    void runRules();
    // Evaluates every condition against the values its module's rules left;
    // returns how many were true.
    long evaluateConditions();

    // The values one module's rules leave for `refs`, from its defaults.
    std::vector<Literal> rulesResult(int module, const std::vector<OptionRef>& refs);
    // (undetermined, truth) of each condition, module by module in the order
    // of conditionsByModule.
    std::vector<std::pair<bool, bool>> conditionResults();

    long messages() const;
    std::size_t ruleBytes() const;
    std::size_t conditionCount() const { return conditionModules_.size(); }

private:
    void loadChunk(const std::string& source, int arguments, int results);
    void callDriver(const char* name, int results);

    const Product& product_;
    lua_State* state_;
    std::vector<std::string> ruleChunks_;
    std::vector<int> conditionModules_;  // of each condition, in order
};

}  // namespace zambench

#endif
