#include "knowledge/CDValidationAction.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<CDValidationAction, std::string_view>, 13> kNames{{
    {CDValidationAction::And, "and"},
    {CDValidationAction::Or, "or"},
    {CDValidationAction::Not, "!"},
    {CDValidationAction::Compare, "compare"},
    {CDValidationAction::Contains, "contains"},
    {CDValidationAction::Excludes, "excludes"},
    {CDValidationAction::EqualSign, "="},
    {CDValidationAction::HasPrefix, "hasPrefix"},
    {CDValidationAction::HasSuffix, "hasSuffix"},
    {CDValidationAction::LessSign, "<"},
    {CDValidationAction::GreaterSign, ">"},
    {CDValidationAction::Regexp, "regexp"},
    {CDValidationAction::Unknown, "unknown"},
}};

} // namespace

CDValidationAction CDValidationActionFromName(std::string_view name) {
    for (const auto& [action, actionName] : kNames) {
        if (actionName == name)
            return action;
    }
    return CDValidationAction::Unknown;
}

std::string_view rawValue(CDValidationAction action) {
    for (const auto& [candidate, name] : kNames) {
        if (candidate == action)
            return name;
    }
    return "unknown";
}
