#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/TBXML.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What the knowledge-base document wrappers share: domain references, the value forms
// of attributes, and the walk over an element's children.
class KBXMLCommon {
public:
    // The identifier an element names: a bundle identifier in `domainAttributeName`
    // (when given and not empty), else the unique identifier in
    // `domainIdentifierAttributeName` restored through the shared builder, else none.
    static std::shared_ptr<const DomainIdentifier>
    getDomainIdentifierFromElement(const _TBXMLElement* element,
                                   std::string_view domainAttributeName,
                                   std::string_view domainIdentifierAttributeName);
    static std::shared_ptr<const DomainIdentifier>
    getDomainIdentifierFromElement(const _TBXMLElement* element,
                                   std::string_view domainIdentifierAttributeName);

    // The dependency group number (AppDependencyGroup) of a group value, compared exactly;
    // -1 for none or an unknown value.
    static std::int32_t
    convertToAppDependencyGroupFromGroupValue(const std::optional<std::string>& value);
    static std::int32_t
    convertToAppDependencyGroupFromGroupValue(std::optional<std::string_view> value);

    // The integer form: leading white space and a sign allowed, digits up to the first
    // other character, 0 without digits, clamped to 32 bits; -1 when absent.
    static int integerValue(const std::optional<std::string>& value);
    // The yes-only flag form: unset when absent, else true exactly for "yes".
    static std::optional<bool> yesOnlyFlag(const std::optional<std::string>& value);
    // The three-state flag form: "y"/"yes" true, "n"/"no" false, anything else unset.
    static std::optional<bool> threeStateFlag(const std::optional<std::string>& value);
    // The yes flag form: "y"/"yes" true, anything else unset.
    static std::optional<bool> yesFlag(const std::optional<std::string>& value);

    static bool isElementNamed(const _TBXMLElement* element, std::string_view name);
    // The element's text, or none when it is empty.
    static std::optional<std::string> nonEmptyText(const _TBXMLElement* element);

    // Calls `action` with the wrapper of every child of `parent` that `Wrapper::create`
    // accepts, in document order; the other children are passed over.
    template <typename Wrapper, typename Action>
    static void iterateChildren(const _TBXMLElement* parent, Action&& action) {
        if (!parent)
            return;
        for (const _TBXMLElement* child = parent->firstChild; child; child = child->nextSibling) {
            if (auto wrapper = Wrapper::create(child))
                action(*wrapper);
        }
    }
};
