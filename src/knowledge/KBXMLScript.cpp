#include "knowledge/KBXMLScript.h"

#include "knowledge/KBXMLCommon.h"

#include <string_view>

namespace {

std::string decodedAmpersands(std::string_view text) {
    static constexpr std::string_view kEntity = "&amp;";
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (size_t found = text.find(kEntity); found != std::string_view::npos;
         found = text.find(kEntity, start)) {
        result.append(text.substr(start, found - start)).push_back('&');
        start = found + kEntity.size();
    }
    result.append(text.substr(start));
    return result;
}

} // namespace

KBXMLScript::KBXMLScript(std::string scriptContent, std::optional<std::string> versionRegexp,
                         bool usesAdminPrivileges)
    : m_scriptContent(std::move(scriptContent)), m_versionRegexp(std::move(versionRegexp)),
      m_usesAdminPrivileges(usesAdminPrivileges) {}

std::optional<KBXMLScript> KBXMLScript::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "script"))
        return std::nullopt;
    return KBXMLScript(decodedAmpersands(TBXML::textForElement(element)),
                       TBXML::valueOfAttributeNamed("version", element),
                       TBXML::valueOfAttributeNamed("useAdminPrivileges", element) == "true");
}
