#pragma once

#include "knowledge/CDValidationResult.h"

namespace platform {
class PlistValue;
}

// Evaluates the rules of custom domain definitions against a bundle's Info.plist.
// A rule is an array whose first element names the action and whose further elements
// are its operands; rules nest through the logical actions, "compare" and the array
// forms of "=".
class CDValidator {
public:
    // Rules nested deeper than this are errors.
    static constexpr int kMaximumDepth = 64;

    // Whether `plist` satisfies `rule`. Every error, from malformed rules to values of
    // the wrong kind, reads as "does not match".
    static bool testPlist(const platform::PlistValue& plist, const platform::PlistValue& rule);

    // One evaluation step: `rule` applied to `object` at nesting level `depth`. The
    // logical actions work on any object; the others are chosen by the object's kind.
    static CDValidationResult test(const platform::PlistValue& object,
                                   const platform::PlistValue& rule, int depth);
};
