#ifndef ZAMCORE_RUNTIME_EXCEPTION_H
#define ZAMCORE_RUNTIME_EXCEPTION_H

#include <cstdint>
#include <string>

#include "zamcore/runtime/export.h"

class ZAMNode;

// The one error channel of the engine: every failure is thrown by value as a
// ZAMException carrying a numeric code, three texts, a line and a node.
// Constructing one with a code reports the code to the throw callback, if the
// host set one; copies do not report again.
class ZAMCORE_API ZAMException {
public:
    using ThrowCallback = void (*)(int);

    // Code 0, line 0, no node, empty texts; does not reach the callback.
    ZAMException();
    ZAMException(int code, const std::string& info, const std::string& context,
                 const std::string& extrainfo2);
    ZAMException(int code, int line, const std::string& info, const std::string& context,
                 const std::string& extrainfo2);
    ZAMException(const ZAMException& other);
    ZAMException& operator=(const ZAMException& other) = default;
    ~ZAMException() = default;

    int code() const { return code_; }
    // Line in the declaration or rule text concerned; 0 when none applies.
    int line() const { return line_; }
    // The structure node being handled when the error arose; not owned.
    ZAMNode* node() const { return node_; }
    const std::string& info() const { return info_; }
    const std::string& context() const { return context_; }
    const std::string& extrainfo1() const { return context_; }
    const std::string& extrainfo2() const { return extrainfo2_; }

    // For annotating an exception on its way out (the engine stamps the
    // failing statement's line and the node being evaluated).
    void setNode(ZAMNode* node) { node_ = node; }
    void setLine(int line) { line_ = line; }

    // Process-wide; null turns the callback off.
    static void setThrowCallback(ThrowCallback callback);

private:
    void init(int code);

    std::int32_t code_;
    std::int32_t line_;
    ZAMNode* node_;
    std::string info_;
    std::string context_;
    std::string extrainfo2_;

    static ThrowCallback throwCallback;
};

// A syntax error in any parsed text: always code 10. info holds the message
// (or, where the catalogue has no text, the error key), context the source
// excerpt with its caret line.
class ZAMCORE_API ZAMSyntaxError : public ZAMException {
public:
    ZAMSyntaxError(const std::string& info, const std::string& context, int line);
    ZAMSyntaxError(const ZAMSyntaxError& other) = default;
};

#endif
