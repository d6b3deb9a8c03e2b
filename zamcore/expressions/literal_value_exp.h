#ifndef ZAMCORE_EXPRESSIONS_LITERAL_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_LITERAL_VALUE_EXP_H

#include <string>
#include <vector>

#include "zamcore/expressions/value_exp.h"
#include "zamcore/values/value.h"

// A value written in the text. The value is made once, when the literal is
// built, and shared with every evaluation.
class ZAMLiteralValueExp final : public ZAMValueExp {
public:
    // The unset value.
    ZAMLiteralValueExp();
    explicit ZAMLiteralValueExp(const std::string& value);
    explicit ZAMLiteralValueExp(int value);
    explicit ZAMLiteralValueExp(double value);
    explicit ZAMLiteralValueExp(bool value);
    // A character literal would otherwise silently become a logical value.
    explicit ZAMLiteralValueExp(const char* value) = delete;

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override;
    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet& set) const override;

private:
    ref_count_ptr<ZAMValue> value_;
};

#endif
