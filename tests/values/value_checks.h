#ifndef ZAMCORE_TESTS_VALUES_VALUE_CHECKS_H
#define ZAMCORE_TESTS_VALUES_VALUE_CHECKS_H

#include <zamcore/zamcore.h>

#include <gtest/gtest.h>

#include <string>

using Value = ref_count_ptr<ZAMValue>;

// Value failures carry nothing but their code: the three texts stay empty so
// that hosts can tell them from failures that name an option or module.
template <class Operation>
void expectBareCode(Operation operation, int code, const std::string& what) {
    try {
        operation();
        ADD_FAILURE() << what << ": expected code " << code << ", no throw";
    } catch (const ZAMException& error) {
        EXPECT_EQ(code, error.code()) << what;
        EXPECT_EQ("", error.info()) << what;
        EXPECT_EQ("", error.context()) << what;
        EXPECT_EQ("", error.extrainfo2()) << what;
    }
}

#endif
