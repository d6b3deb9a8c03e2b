#ifndef ZAMCORE_TESTS_SUPPORT_CAUGHT_ERROR_H
#define ZAMCORE_TESTS_SUPPORT_CAUGHT_ERROR_H

#include <gtest/gtest.h>
#include <zamcore/zamcore.h>

#include <string>

#include "support/test_adapter.h"

// What a syntax error carried, or thrown == false when none was thrown.
struct CaughtError {
    bool thrown = false;
    int code = 0;
    std::string info;
    std::string context;
    int line = 0;
};

// Runs `action` and records the ZAMSyntaxError it throws; a missing throw is
// a test failure.
template <typename Action>
CaughtError catchSyntaxError(Action action) {
    CaughtError caught;
    try {
        action();
        ADD_FAILURE() << "expected a syntax error";
    } catch (const ZAMSyntaxError& error) {
        caught.thrown = true;
        caught.code = error.code();
        caught.info = error.info();
        caught.context = error.context();
        caught.line = error.line();
    }
    return caught;
}

// A host that localizes every key by upper-casing it.
class UpperCaseAdapter : public TestAdapter {
public:
    std::string localizeString(const std::string& key) override {
        std::string upper = key;
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return upper;
    }
};

#endif
