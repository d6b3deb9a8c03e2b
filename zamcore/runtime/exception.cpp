#include "zamcore/runtime/exception.h"

ZAMException::ThrowCallback ZAMException::throwCallback = nullptr;

ZAMException::ZAMException() : code_(0), line_(0), node_(nullptr) {}

ZAMException::ZAMException(int code, const std::string& info, const std::string& context,
                           const std::string& extrainfo2)
    : ZAMException(code, 0, info, context, extrainfo2) {}

ZAMException::ZAMException(int code, int line, const std::string& info, const std::string& context,
                           const std::string& extrainfo2)
    : code_(code),
      line_(line),
      node_(nullptr),
      info_(info),
      context_(context),
      extrainfo2_(extrainfo2) {
    init(code);
}

// Copies are the same error passing through; they must not reach the callback
// a second time.
ZAMException::ZAMException(const ZAMException& other) = default;

void ZAMException::setThrowCallback(ThrowCallback callback) {
    throwCallback = callback;
}

void ZAMException::init(int code) {
    if (throwCallback != nullptr) {
        throwCallback(code);
    }
}

ZAMSyntaxError::ZAMSyntaxError(const std::string& info, const std::string& context, int line)
    : ZAMException(10, line, info, context, std::string()) {}
