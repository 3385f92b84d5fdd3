#pragma once

#include "knowledge/CDValidationInfo.h"
#include "knowledge/CDValidationResult.h"

// The logical actions "and", "or" and "!", which apply their sub-rules to the same
// object whatever its kind.
class CDValidatorForAny {
public:
    static bool handles(CDValidationAction action);

    // Inside "and" and "or" a sub-rule that raises an error counts neither way; when no
    // sub-rule gives a result, the logical rule itself is an error.
    static CDValidationResult validate(const CDValidationInfo& info);
};
