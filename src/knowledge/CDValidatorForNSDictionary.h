#pragma once

#include "knowledge/CDValidationInfo.h"
#include "knowledge/CDValidationResult.h"

// Rules over a dictionary: "contains" and "excludes" test whether a key is present,
// "compare" applies a sub-rule to the value under a key (a missing key is an error).
class CDValidatorForNSDictionary {
public:
    static CDValidationResult validate(const CDValidationInfo& info);
};
