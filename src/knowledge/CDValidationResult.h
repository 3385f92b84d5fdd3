#pragma once

#include <optional>

// Why a rule could not be evaluated.
enum class CDValidationError { BadParameters };

// The outcome of evaluating one rule against one object: a truth value, or the error
// that stopped the evaluation.
class CDValidationResult {
public:
    CDValidationResult(bool value) : m_value(value) {}
    CDValidationResult(CDValidationError error) : m_error(error) {}

    bool isError() const { return m_error.has_value(); }
    std::optional<CDValidationError> error() const { return m_error; }
    // The truth value; false for an error.
    bool value() const { return m_value; }

private:
    bool m_value{false};
    std::optional<CDValidationError> m_error;
};
