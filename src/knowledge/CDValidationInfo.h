#pragma once

#include "knowledge/CDValidationAction.h"

namespace platform {
class PlistValue;
}

// One step of evaluation: the action a rule names, the value under test and the rule
// array itself, whose further elements are the action's operands. `depth` counts the
// rules enclosing this one, so that hostile nesting ends as an error instead of
// exhausting the stack.
struct CDValidationInfo {
    CDValidationAction action{CDValidationAction::Unknown};
    const platform::PlistValue& object;
    const platform::PlistValue& options;
    int depth{0};

    // The operand at `index` of the rule (the action is element 0), or none.
    const platform::PlistValue* operand(size_t index) const;
};
