#include "zamcore/configuration/override_rule.h"

#include "zamcore/runtime/exception.h"

namespace zamcore {

namespace {

constexpr int kHowSetCount = 7;

// Rows: the stored how-set; columns: the incoming how-set. A stored Default
// met by an incoming Default is an error and handled before the table.
constexpr bool kOverride[kHowSetCount][kHowSetCount] = {
    //  Def    USet   RSet   UFix   RFix   Inh    Imp
    {false, true, true, true, true, true, true},       // Default
    {false, true, true, true, true, true, true},       // UserSet
    {false, true, true, true, true, true, true},       // RuleSet
    {false, true, false, true, false, true, true},     // UserFixed
    {false, false, false, false, false, true, true},   // RuleFixed
    {false, false, false, false, false, false, true},  // Inherited
    {true, true, true, true, true, true, true},        // Imposed
};

}  // namespace

bool defaultOverrideRule(ZAMSelOptionSet::HowSet stored, ZAMSelOptionSet::HowSet incoming) {
    const int row = static_cast<int>(stored);
    if (row < 0 || row >= kHowSetCount) {
        throw ZAMException(2, "Invalid value for HowSet", "", "");
    }
    const int column = static_cast<int>(incoming);
    if (row == ZAMSelOptionSet::Default && column == ZAMSelOptionSet::Default) {
        throw ZAMException(2, "Trying to change a default value with another default", "", "");
    }
    // The incoming value is not range-checked: numbers past Imposed weigh like
    // Imposed, negative numbers weigh less than anything but a default.
    if (column < 0) {
        return row == ZAMSelOptionSet::Default || row == ZAMSelOptionSet::Imposed;
    }
    if (column >= kHowSetCount) {
        return true;
    }
    return kOverride[row][column];
}

}  // namespace zamcore
