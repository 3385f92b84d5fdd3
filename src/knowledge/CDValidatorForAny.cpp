#include "knowledge/CDValidatorForAny.h"

#include "knowledge/CDValidator.h"
#include "platform/PlistValue.h"

namespace {

// "and" stops at the first false sub-rule and "or" at the first true one; that value is
// the decisive one and its opposite is the answer when no sub-rule decides.
CDValidationResult combine(const CDValidationInfo& info, bool decisive) {
    const auto* elements = info.options.asArray();
    if (elements->size() < 2)
        return CDValidationError::BadParameters;
    for (size_t i = 1; i < elements->size(); ++i) {
        if (!(*elements)[i].asArray())
            return CDValidationError::BadParameters;
    }

    bool anyResult = false;
    for (size_t i = 1; i < elements->size(); ++i) {
        CDValidationResult result = CDValidator::test(info.object, (*elements)[i], info.depth + 1);
        if (result.isError())
            continue;
        if (result.value() == decisive)
            return decisive;
        anyResult = true;
    }
    if (!anyResult)
        return CDValidationError::BadParameters;
    return !decisive;
}

} // namespace

bool CDValidatorForAny::handles(CDValidationAction action) {
    return action == CDValidationAction::And || action == CDValidationAction::Or ||
           action == CDValidationAction::Not;
}

CDValidationResult CDValidatorForAny::validate(const CDValidationInfo& info) {
    switch (info.action) {
    case CDValidationAction::And:
        return combine(info, false);
    case CDValidationAction::Or:
        return combine(info, true);
    case CDValidationAction::Not: {
        const platform::PlistValue* subRule = info.operand(1);
        if (!subRule || !subRule->asArray())
            return CDValidationError::BadParameters;
        CDValidationResult result = CDValidator::test(info.object, *subRule, info.depth + 1);
        if (result.isError())
            return result;
        return !result.value();
    }
    default:
        return CDValidationError::BadParameters;
    }
}
