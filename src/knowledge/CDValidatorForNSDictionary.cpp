#include "knowledge/CDValidatorForNSDictionary.h"

#include "knowledge/CDValidator.h"
#include "platform/PlistValue.h"

CDValidationResult CDValidatorForNSDictionary::validate(const CDValidationInfo& info) {
    const platform::PlistValue* keyOperand = info.operand(1);
    const std::string* key = keyOperand ? keyOperand->asString() : nullptr;
    if (!key)
        return CDValidationError::BadParameters;
    const platform::PlistValue* value = info.object.get(*key);

    switch (info.action) {
    case CDValidationAction::Contains:
        return value != nullptr;
    case CDValidationAction::Excludes:
        return value == nullptr;
    case CDValidationAction::Compare: {
        const platform::PlistValue* subRule = info.operand(2);
        if (!value || !subRule)
            return CDValidationError::BadParameters;
        return CDValidator::test(*value, *subRule, info.depth + 1);
    }
    default:
        return CDValidationError::BadParameters;
    }
}
