#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "zamcore/runtime/exception.h"
#include "zamcore/values/value.h"

namespace {

using Value = ref_count_ptr<ZAMValue>;

[[noreturn]] void throwUnsupported() {
    throw ZAMException(202, "", "", "");
}

// Integer + - * wrap modulo 2^32. Unsigned arithmetic wraps by definition,
// where signed overflow would be undefined.
int wrapInt(std::uint32_t bits) {
    return static_cast<int>(bits);
}

struct IntPlus {
    int operator()(int a, int b) const {
        return wrapInt(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    }
};

struct IntMinus {
    int operator()(int a, int b) const {
        return wrapInt(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
    }
};

struct IntMultiplies {
    int operator()(int a, int b) const {
        return wrapInt(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
    }
};

// Truncates toward zero. The one quotient that does not fit, INT_MIN / -1,
// wraps to INT_MIN like the other operations instead of trapping. The caller
// has already refused a zero divisor.
struct IntDivides {
    int operator()(int a, int b) const {
        if (b == -1) {
            return IntMinus()(0, a);
        }
        return a / b;
    }
};

bool isNumber(ZAMValue::ValueType type) {
    return type == ZAMValue::VT_INT || type == ZAMValue::VT_REAL;
}

// The scheme shared by the four arithmetic operators once their own first
// steps are done: unset propagates, integers stay integers, a real on either
// side makes the result real, anything else is refused.
template <class IntOp, class RealOp>
Value arithmetic(const Value& left, const Value& right, IntOp intOp, RealOp realOp) {
    const ZAMValue::ValueType l = left->type();
    const ZAMValue::ValueType r = right->type();
    if (l == ZAMValue::VT_UNSET || r == ZAMValue::VT_UNSET) {
        return ZAMValue::createUnset();
    }
    if (!isNumber(l) || !isNumber(r)) {
        throwUnsupported();
    }
    if (l == ZAMValue::VT_INT && r == ZAMValue::VT_INT) {
        return ZAMValue::createInt(intOp(left->intValue(), right->intValue()));
    }
    return ZAMValue::createReal(realOp(left->realValue(), right->realValue()));
}

// Byte-wise order with bytes compared as unsigned values; a proper prefix
// orders first.
int compareBytes(const std::string& a, const std::string& b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    if (order != 0) {
        return order;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// The scheme shared by the four orderings. Any unset side answers false
// before kinds are looked at.
template <class Cmp>
bool ordering(const ZAMValue& left, const ZAMValue& right, Cmp cmp) {
    const ZAMValue::ValueType l = left.type();
    const ZAMValue::ValueType r = right.type();
    if (r == ZAMValue::VT_UNSET || l == ZAMValue::VT_UNSET) {
        return false;
    }
    if (l == ZAMValue::VT_STRING && r == ZAMValue::VT_STRING) {
        return cmp(compareBytes(left.strValue(), right.strValue()), 0);
    }
    if (!isNumber(l) || !isNumber(r)) {
        throwUnsupported();
    }
    if (l == ZAMValue::VT_INT && r == ZAMValue::VT_INT) {
        return cmp(left.intValue(), right.intValue());
    }
    return cmp(left.realValue(), right.realValue());
}

Value joined(const std::string& left, const std::string& right) {
    if (left.size() + right.size() > ZAMValue::kMaxJoinedLength) {
        throw ZAMException(2, "String value too long", "", "");
    }
    return ZAMValue::createString(left + right);
}

}  // namespace

Value operator+(const Value& left, const Value& right) {
    if (left->type() == ZAMValue::VT_STRING) {
        switch (right->type()) {
            case ZAMValue::VT_STRING:
                return joined(left->strValue(), right->strValue());
            case ZAMValue::VT_UNSET:
                return ZAMValue::createUnset();
            default:
                throwUnsupported();
        }
    }
    return arithmetic(left, right, IntPlus(), std::plus<double>());
}

Value operator-(const Value& left, const Value& right) {
    return arithmetic(left, right, IntMinus(), std::minus<double>());
}

Value operator*(const Value& left, const Value& right) {
    return arithmetic(left, right, IntMultiplies(), std::multiplies<double>());
}

// The divisor is checked before anything else: unset / 0 throws too.
Value operator/(const Value& left, const Value& right) {
    const ZAMValue::ValueType r = right->type();
    if ((r == ZAMValue::VT_INT && right->intValue() == 0) ||
        (r == ZAMValue::VT_REAL && right->realValue() == 0.0)) {
        throw ZAMException(203, "", "", "");
    }
    return arithmetic(left, right, IntDivides(), std::divides<double>());
}

bool operator<(const Value& left, const Value& right) {
    return ordering(*left, *right, std::less<>());
}

bool operator>(const Value& left, const Value& right) {
    return ordering(*left, *right, std::greater<>());
}

bool operator<=(const Value& left, const Value& right) {
    return ordering(*left, *right, std::less_equal<>());
}

bool operator>=(const Value& left, const Value& right) {
    return ordering(*left, *right, std::greater_equal<>());
}

bool ref_count_traits<ZAMValue>::less(const ZAMValue* a, const ZAMValue* b) {
    return ordering(*a, *b, std::less<>());
}
