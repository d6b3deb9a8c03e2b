#include "zamcore/configuration/validation_error.h"

#include <utility>

ValidationError::ValidationError(ErrorCode code, ZAMNode* node, ref_count_ptr<ZAMOption> option)
    : code_(code), node_(node), option_(std::move(option)) {}

ValidationError::ValidationError(const ValidationError& other) noexcept = default;

ValidationError& ValidationError::operator=(const ValidationError& other) noexcept = default;

ValidationError::~ValidationError() = default;
