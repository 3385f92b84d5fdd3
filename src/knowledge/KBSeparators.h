#pragma once

#include "knowledge/KBSeparator.h"
#include "knowledge/KBXMLSeparators.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

// The separator words of the knowledge base, one `KBSeparator` per name form. The four
// forms always exist, even when the document has no `separators` section.
class KBSeparators {
public:
    static constexpr const char* kOriginalName = "originalName";
    static constexpr const char* kLowercaseName = "lowercaseName";
    static constexpr const char* kAlphanumericName = "alphanumericName";
    static constexpr const char* kNameComponent = "nameComponent";

    enum class Lookup { ExistingOnly, CreateIfNeed };

    // Reads every `d` of the section in document order; an `s` whose `type` is not one
    // of the four forms is passed over whole.
    explicit KBSeparators(const KBXMLSeparators* separators);

    const std::shared_ptr<KBSeparator>& originalNameSeparator() const { return m_original; }
    const std::shared_ptr<KBSeparator>& lowercaseNameSeparator() const { return m_lowercase; }
    const std::shared_ptr<KBSeparator>& alphanumericNameSeparator() const { return m_alphanumeric; }
    const std::shared_ptr<KBSeparator>& nameComponentSeparator() const { return m_component; }
    const std::unordered_map<std::string, std::shared_ptr<KBSeparator>>& separators() const {
        return m_separators;
    }

    // The form named `type`; a missing one is created and kept only with `CreateIfNeed`.
    // None for no name.
    std::shared_ptr<KBSeparator> separatorWithType(const std::optional<std::string>& type,
                                                   Lookup lookup);

private:
    std::unordered_map<std::string, std::shared_ptr<KBSeparator>> m_separators;
    std::shared_ptr<KBSeparator> m_original;
    std::shared_ptr<KBSeparator> m_lowercase;
    std::shared_ptr<KBSeparator> m_alphanumeric;
    std::shared_ptr<KBSeparator> m_component;
};
