#include "knowledge/CDValidatorForNSArray.h"

#include "knowledge/CDValidator.h"
#include "knowledge/CDValidatorForNSNumber.h"
#include "platform/PlistValue.h"

namespace {

bool satisfies(const platform::PlistValue& element, const platform::PlistValue& subRule,
               int depth) {
    CDValidationResult result = CDValidator::test(element, subRule, depth);
    return !result.isError() && result.value();
}

} // namespace

CDValidationResult CDValidatorForNSArray::validate(const CDValidationInfo& info) {
    const platform::PlistValue* form = info.operand(1);
    if (info.action != CDValidationAction::EqualSign || !form)
        return CDValidationError::BadParameters;
    const auto& elements = *info.object.asArray();
    int depth = info.depth + 1;

    if (const auto* subRules = form->asArray()) {
        if (subRules->size() != elements.size())
            return false;
        for (size_t i = 0; i < elements.size(); ++i) {
            CDValidationResult result = CDValidator::test(elements[i], (*subRules)[i], depth);
            if (result.isError() || !result.value())
                return result;
        }
        return true;
    }

    const platform::PlistValue* subRule = info.operand(2);
    if (!subRule || !subRule->asArray())
        return CDValidationError::BadParameters;

    if (auto required = CDValidatorForNSNumber::integerValue(*form)) {
        auto count = static_cast<std::int64_t>(elements.size());
        std::int64_t needed = *required < 0 ? count + *required : *required;
        if (needed <= 0 || count == 0)
            return false;
        std::int64_t found = 0;
        for (const auto& element : elements) {
            if (satisfies(element, *subRule, depth) && ++found >= needed)
                return true;
        }
        return false;
    }

    const std::string* word = form->asString();
    if (!word || *word != "all")
        return CDValidationError::BadParameters;
    if (elements.empty())
        return false;
    for (const auto& element : elements) {
        if (!satisfies(element, *subRule, depth))
            return false;
    }
    return true;
}
