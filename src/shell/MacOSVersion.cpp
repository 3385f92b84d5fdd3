#include "shell/MacOSVersion.h"

#include "platform/Environment.h"
#include "platform/PropertyList.h"
#include "platform/Text.h"

namespace {

constexpr const char* kVersionFile = "/System/Library/CoreServices/SystemVersion.plist";

} // namespace

MacOSVersion& MacOSVersion::GetInstance() {
    static MacOSVersion instance(readSystemVersion());
    return instance;
}

std::optional<std::string> MacOSVersion::readSystemVersion() {
    auto plist = platform::PropertyList::readFile(platform::Environment::rootPath(kVersionFile));
    if (!plist)
        return std::nullopt;
    const platform::PlistValue* value = plist->get("ProductVersion");
    const std::string* version = value ? value->asString() : nullptr;
    if (!version || version->empty())
        return std::nullopt;
    return *version;
}

MacOSVersion::MacOSVersion(std::optional<std::string> systemVersion)
    : m_sMacOSVersion(std::move(systemVersion)) {
    m_bIs_10_9_orHigher = isMacOSHasVersion("10.9", false, true);
    m_bIs_10_10_orHigher = isMacOSHasVersion("10.10", false, true);
    m_bIs_10_11_orHigher = isMacOSHasVersion("10.11", false, true);
    m_bIs_10_12_orHigher = isMacOSHasVersion("10.12", false, true);
    m_is_10_14_orHigher = isMacOSHasVersion("10.14", false, true);
    m_is_10_15_orHigher = isMacOSHasVersion("10.15", false, true);
}

bool MacOSVersion::isMacOSHasVersion(const std::optional<std::string>& version, bool orLower,
                                     bool orHigher) const {
    if ((orLower && orHigher) || !version || !m_sMacOSVersion)
        return true;
    int order = platform::Text::numericCompare(*m_sMacOSVersion, *version);
    if (orHigher)
        return order >= 0;
    if (orLower)
        return order <= 0;
    return order == 0;
}
