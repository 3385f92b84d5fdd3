#pragma once

#include "knowledge/CDValidationInfo.h"
#include "knowledge/CDValidationResult.h"

// The rule "=" over an array, in three forms by its first operand:
//  - an array of sub-rules: as many elements as sub-rules, element i satisfying rule i;
//  - a number N and a sub-rule: at least N elements satisfy it (a negative N counts
//    back from the number of elements; an effective N below 1 never matches);
//  - "all" and a sub-rule: every element satisfies it.
// In the two counting forms an element whose test is an error does not satisfy the
// sub-rule, and an empty array never matches.
class CDValidatorForNSArray {
public:
    static CDValidationResult validate(const CDValidationInfo& info);
};
