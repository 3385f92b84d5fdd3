#include "knowledge/CDValidatorForNSString.h"

#include "knowledge/CDValidatorForNSNumber.h"
#include "platform/PlistValue.h"
#include "platform/Regex.h"
#include "platform/Text.h"

namespace {

CDValidationResult containsIgnoringCase(const std::string& text, const std::string& needle,
                                        const platform::PlistValue* offsetOperand) {
    std::int64_t offset = 0;
    if (offsetOperand) {
        auto number = CDValidatorForNSNumber::integerValue(*offsetOperand);
        if (!number)
            return CDValidationError::BadParameters;
        offset = *number;
    }
    // A negative offset reads, as an unsigned index, far beyond the end.
    if (offset < 0)
        return false;
    auto start =
        CDValidatorForNSString::byteOffsetOfCharacter(text, static_cast<std::uint64_t>(offset));
    if (!start)
        return false;
    return platform::Text::caseInsensitiveFind(text, needle, *start).has_value();
}

} // namespace

std::optional<size_t> CDValidatorForNSString::byteOffsetOfCharacter(std::string_view text,
                                                                    std::uint64_t offset) {
    std::uint64_t units = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80)
            continue;
        if (units >= offset)
            return i;
        units += byte >= 0xF0 ? 2 : 1;
    }
    return std::nullopt;
}

CDValidationResult CDValidatorForNSString::validate(const CDValidationInfo& info) {
    const std::string& text = *info.object.asString();
    const platform::PlistValue* firstOperand = info.operand(1);
    const std::string* operand = firstOperand ? firstOperand->asString() : nullptr;
    if (!operand)
        return CDValidationError::BadParameters;

    switch (info.action) {
    case CDValidationAction::EqualSign:
        return text == *operand;
    case CDValidationAction::HasPrefix:
        return !operand->empty() && text.starts_with(*operand);
    case CDValidationAction::HasSuffix:
        return !operand->empty() && text.ends_with(*operand);
    case CDValidationAction::Contains:
        return containsIgnoringCase(text, *operand, info.operand(2));
    case CDValidationAction::Regexp: {
        auto expression = platform::Regex::create(*operand);
        if (!expression)
            return CDValidationError::BadParameters;
        return expression->search(text);
    }
    default:
        return CDValidationError::BadParameters;
    }
}
