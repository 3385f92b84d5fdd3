#pragma once

#include "knowledge/KBExtensionsSkipListItemParameters.h"
#include "knowledge/KBXMLExtensionsSkipListItem.h"

#include <array>
#include <optional>
#include <string>

// One description of a system extension of the knowledge base.
class KBExtensionSkipItem final : public KBExtensionsSkipListItemParameters {
public:
    // The comparable properties, in the order in which an item is filed.
    enum class Property { name, bundleID, path, mainAppPath, browserExtensionID };
    static constexpr std::array<Property, 5> kProperties{Property::name, Property::bundleID,
                                                         Property::path, Property::mainAppPath,
                                                         Property::browserExtensionID};

    // The kind comes from the group code; a leading "~/" of the path becomes the home
    // folder, every other value is copied.
    explicit KBExtensionSkipItem(const KBXMLExtensionsSkipListItem& item);
    KBExtensionSkipItem(ExtGroupType groupType, std::optional<std::string> name,
                        std::optional<std::string> bundleID, std::optional<std::string> path,
                        std::optional<std::string> mainAppPath,
                        std::optional<std::string> browserExtensionID);

    ExtGroupType groupType() const override { return m_groupType; }
    const std::optional<std::string>& kbextName() const override { return m_kbextName; }
    const std::optional<std::string>& kbextBundleID() const override { return m_kbextBundleID; }
    const std::optional<std::string>& kbextPath() const override { return m_kbextPath; }
    const std::optional<std::string>& kbextMainAppPath() const override {
        return m_kbextMainAppPath;
    }
    const std::optional<std::string>& kbextBrowserExtensionID() const override {
        return m_kbextBrowserExtensionID;
    }

    // The value of one property of any tested object.
    static const std::optional<std::string>&
    valueForProperty(const KBExtensionsSkipListItemParameters& parameters, Property property);

private:
    ExtGroupType m_groupType{0};
    std::optional<std::string> m_kbextName;
    std::optional<std::string> m_kbextBundleID;
    std::optional<std::string> m_kbextPath;
    std::optional<std::string> m_kbextMainAppPath;
    std::optional<std::string> m_kbextBrowserExtensionID;
};
