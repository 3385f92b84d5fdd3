#pragma once

#include <string_view>

// The actions of a custom domain rule, named by the rule's first element.
enum class CDValidationAction {
    And,
    Or,
    Not,
    Compare,
    Contains,
    Excludes,
    EqualSign,
    HasPrefix,
    HasSuffix,
    LessSign,
    GreaterSign,
    Regexp,
    Unknown,
};

// The action a rule names; `Unknown` for any other name.
CDValidationAction CDValidationActionFromName(std::string_view name);

// The name under which the action is written in a rule ("unknown" for `Unknown`).
std::string_view rawValue(CDValidationAction action);
