#pragma once

#include "FuzzSupport.h"
#include "knowledge/CDValidator.h"
#include "platform/PlistValue.h"

namespace fuzz_support {

// A rule's answer agrees with the answer of its negation unless the rule is an error.
inline void checkRule(const platform::PlistValue& object, const platform::PlistValue& rule) {
    CDValidationResult result = CDValidator::test(object, rule, 0);
    bool matches = CDValidator::testPlist(object, rule);
    require(matches == (!result.isError() && result.value()));
    platform::PlistValue negated(platform::PlistValue::Array{"!", rule});
    bool negatedMatches = CDValidator::testPlist(object, negated);
    require(result.isError() ? !negatedMatches : negatedMatches == !matches);
}

} // namespace fuzz_support
