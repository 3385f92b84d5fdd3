#include "knowledge/CDValidator.h"

#include "knowledge/CDValidationInfo.h"
#include "knowledge/CDValidatorForAny.h"
#include "knowledge/CDValidatorForNSArray.h"
#include "knowledge/CDValidatorForNSDictionary.h"
#include "knowledge/CDValidatorForNSNumber.h"
#include "knowledge/CDValidatorForNSString.h"
#include "platform/PlistValue.h"

bool CDValidator::testPlist(const platform::PlistValue& plist, const platform::PlistValue& rule) {
    CDValidationResult result = test(plist, rule, 0);
    return !result.isError() && result.value();
}

CDValidationResult CDValidator::test(const platform::PlistValue& object,
                                     const platform::PlistValue& rule, int depth) {
    const auto* elements = rule.asArray();
    if (!elements || depth > kMaximumDepth)
        return CDValidationError::BadParameters;

    CDValidationAction action = CDValidationAction::Unknown;
    if (!elements->empty()) {
        if (const std::string* name = (*elements)[0].asString())
            action = CDValidationActionFromName(*name);
    }
    CDValidationInfo info{action, object, rule, depth};

    if (CDValidatorForAny::handles(action))
        return CDValidatorForAny::validate(info);
    if (object.asDictionary())
        return CDValidatorForNSDictionary::validate(info);
    if (object.asArray())
        return CDValidatorForNSArray::validate(info);
    if (object.asString())
        return CDValidatorForNSString::validate(info);
    if (CDValidatorForNSNumber::numberValue(object))
        return CDValidatorForNSNumber::validate(info);
    return CDValidationError::BadParameters;
}
