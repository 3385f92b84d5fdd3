#pragma once

// The knowledge-base document of a SyntheticWorld: its rules, separators, domains with
// their file records, domain groups, custom domains, removal scripts and skip lists.
// Included by SyntheticWorld.h.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench_support {

namespace synthetic_kb {

// Rules every knowledge base has: the standard Library folders, each walked to a
// small depth, classifying what they hold by kind and name.
constexpr std::string_view kStandardRules[] = {
    R"(<rule path="~/Library/Caches" deep="1"><f type="folder" deep="1" group="caches" goDeeper="no"/><f namePrefix="com.apple." isSystem="yes" group="caches"/></rule>)",
    R"(<rule path="~/Library/Caches" deep="2"><f type="file" deep="2" nameSuffix=".sqlite" group="caches"/><rule fdeep="2" fname="fsCachedData" deep="1"><f type="file" separate="no"/></rule></rule>)",
    R"(<rule path="~/Library/Preferences" deep="1"><f type="file" nameSuffix=".plist" group="preferences"/><f namePrefix="com.apple." isSystem="yes" group="preferences"/><rule fdeep="1" fname="ByHost" deep="1"><f type="file" nameSuffix=".plist" group="preferences"/></rule></rule>)",
    R"(<rule path="~/Library/Application Support" deep="1"><f type="folder" group="application-support"/><f namePrefix="com.apple." isSystem="yes" group="application-support"/></rule>)",
    R"(<rule path="~/Library/Application Support" deep="2"><f deep="2" nameSuffix=".sqlite" group="application-support"/><rule fdeep="1" fname="CrashReporter" deep="1"><f type="file" nameSuffix=".plist" group="crash-reports"/></rule></rule>)",
    R"(<rule path="~/Library/Containers" deep="2"><f deep="1" type="folder" group="containers"/><f deep="1" namePrefix="com.apple." isSystem="yes" group="containers"/><rule fdeep="2" fname="Data" deep="3"><f deep="3" type="folder" group="caches"/><f deep="3" type="file" nameSuffix=".plist" group="preferences"/></rule></rule>)",
    R"(<rule path="~/Library/Group Containers" deep="1"><f type="folder" group="containers"/></rule>)",
    R"(<rule path="~/Library/Saved Application State" deep="1"><f nameSuffix=".savedState" group="library" goDeeper="no"/></rule>)",
    R"(<rule path="~/Library/Logs" deep="1"><f group="logs" goDeeper="no"/><f name="DiagnosticReports" separate="no"/></rule>)",
    R"(<rule path="~/Library/Logs/DiagnosticReports" deep="1"><f type="file" nameSuffix=".crash" group="crash-reports"/><f type="file" nameSuffix=".ips" group="crash-reports"/></rule>)",
    R"(<rule path="~/Library/LaunchAgents"><f type="file" nameSuffix=".plist" group="login-items"/></rule>)",
    R"(<rule path="~/Library/HTTPStorages" deep="1"><f group="cookies"/></rule>)",
    R"(<rule path="~/Library/WebKit" deep="1"><f type="folder" group="caches"/><f namePrefix="com.apple." isSystem="yes" group="caches"/></rule>)",
    R"(<rule path="~/Library/Cookies" deep="1"><f nameSuffix=".binarycookies" group="cookies"/></rule>)",
    R"(<rule path="~/Library/Application Scripts"><f deep="1" type="folder" group="library"/></rule>)",
    R"(<rule path="~/Library/Internet Plug-Ins" deep="1"><f type="package" group="plugins"/></rule>)",
    R"(<rule path="~/Library/PreferencePanes" deep="1"><f type="package" nameSuffix=".prefPane" group="preference-panes"/></rule>)",
    R"(<rule path="~/Library/Preferences/ByHost" deep="1"><f type="file" group="preferences"/></rule>)",
    R"(<rule path="~/Library/LaunchDaemons" deep="1"><f type="file" nameSuffix=".plist" group="login-items"/></rule>)",
    R"(<rule path="~/Library/PrivilegedHelperTools" deep="1"><f type="file" group="binaries"/></rule>)",
    R"(<rule path="~/Library/Application Support/Shared" deep="1"><f type="folder" group="application-support"/></rule>)",
    R"(<rule path="~/Library/Services" deep="1"><f type="package" nameSuffix=".workflow" group="plugins"/></rule>)",
    R"(<rule path="~/Library/Screen Savers" deep="1"><f type="package" group="plugins"/></rule>)",
    R"(<rule path="~/Library/Application Support/CrashReporter" deep="1"><f type="file" group="crash-reports"/></rule>)",
};

inline void appendRecord(std::map<std::string, std::vector<std::string>>& groups,
                         std::vector<std::string>& order, std::string group, std::string path) {
    if (groups.find(group) == groups.end())
        order.push_back(group);
    groups[group].push_back(std::move(path));
}

// The records of one domain: its leftovers in the standard places first, then the
// less common ones, then numbered extras. The helper refuses records and rules outside
// the user's Library, so those of system folders are written below it too.
inline std::vector<std::pair<std::string, std::string>> domainRecords(const WorldApp& app,
                                                                      bool isTarget, int count) {
    std::vector<std::pair<std::string, std::string>> records;
    for (int kind = 0; kind < kLeftoverKinds; ++kind) {
        auto k = static_cast<LeftoverKind>(kind);
        records.emplace_back(leftoverGroup(k), "~/" + leftoverPath(k, app));
    }
    records.emplace_back("login-items",
                         "~/Library/LaunchDaemons/" + app.bundleId + ".helper.plist");
    records.emplace_back("binaries", "~/Library/PrivilegedHelperTools/" + app.bundleId + ".helper");
    records.emplace_back("application-support", "~/Library/Application Support/Shared/" + app.name);
    records.emplace_back("caches", "~/Library/Caches/" + app.bundleId + ".ShipIt");
    records.emplace_back("preferences",
                         "~/Library/Preferences/" + app.bundleId + ".LSSharedFileList.plist");
    if (isTarget)
        records.emplace_back("shared", "~/" + SyntheticWorld::recordOnlyLeftover());
    else
        records.emplace_back("crash-reports", "~/Library/Application Support/CrashReporter/" +
                                                  app.name + "_" + std::string(kHostIdentifier) +
                                                  ".plist");
    records.emplace_back("crash-reports",
                         "~/Library/Logs/DiagnosticReports/" + app.name + ".crash");
    for (int extra = 0; static_cast<int>(records.size()) < count; ++extra)
        records.emplace_back("application-support", "~/Library/Application Support/" + app.name +
                                                        "/Extra " + std::to_string(extra) + ".dat");
    records.resize(static_cast<std::size_t>(count));
    if (app.isSystem) {
        for (auto& record : records)
            record.first = "system";
    }
    return records;
}

// One rule of its own for an application, in one of three shapes: its vendor's folder
// in Application Support (with a sub-rule for plug-ins), a vendor folder directly in
// the Library, a dot-folder (in the Library too: the helper refuses rules elsewhere).
inline std::string vendorRule(const WorldApp& app, int shape) {
    const std::string vendor = SyntheticWorld::vendorFolder(app);
    switch (shape) {
    case 0:
        return "<rule path=\"~/Library/Application Support/" + vendor +
               "\" deep=\"2\"><f deep=\"1\" type=\"folder\" name=\"" + app.name + "\" domain=\"" +
               app.bundleId +
               "\" group=\"application-support\"/><f deep=\"2\" nameSuffix=\".log\" "
               "domainId=\"bi:" +
               app.bundleId +
               "\" group=\"logs\"/><rule fdeep=\"2\" fname=\"Plug-Ins\" deep=\"1\"><f "
               "type=\"package\" domain=\"" +
               app.bundleId + "\" group=\"plugins\"/></rule></rule>";
    case 1:
        return "<rule path=\"~/Library/" + vendor + "\" deep=\"1\"><f domain=\"" + app.bundleId +
               "\" group=\"library\" separate=\"yes\"/></rule>";
    default:
        return "<rule path=\"~/Library/." + app.vendor +
               "\" deep=\"1\"><f type=\"file\" domain=\"" + app.bundleId +
               "\" group=\"library\"/><f type=\"folder\" goDeeper=\"no\"/></rule>";
    }
}

} // namespace synthetic_kb

inline std::string SyntheticWorld::knowledgeBase() const {
    using namespace synthetic_kb;
    WorldRandom random(m_seed ^ 0x6b6e6f776c656467ull);
    std::string out;
    out.reserve(static_cast<std::size_t>(m_scale.records) * 110);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<base>\n<rules>\n";
    int rules = 0;
    for (std::string_view rule : kStandardRules) {
        if (rules++ == m_scale.rules)
            break;
        out += rule;
        out += '\n';
    }
    const std::vector<int> own = vendorRuleApps(std::max(0, m_scale.rules - rules));
    for (std::size_t i = 0; i < own.size(); ++i)
        out += vendorRule(m_apps[static_cast<std::size_t>(own[i])], static_cast<int>(i % 3)) + "\n";
    out +=
        "</rules>\n<separators>\n<d><s type=\"lowercaseName\"><v>helper</v><v>agent</v></s></d>\n";
    for (std::size_t i = 0; i < m_apps.size(); i += 25) {
        out += "<d v=\"" + m_apps[i].bundleId + "\"><s type=\"nameComponent\"><v>" +
               m_apps[i].name + "</v></s></d>\n";
    }
    out += "</separators>\n<domains>\n";
    const int domains = static_cast<int>(m_apps.size());
    for (int i = 0; i < domains; ++i) {
        const WorldApp& app = m_apps[static_cast<std::size_t>(i)];
        int count = m_scale.records / domains + (i < m_scale.records % domains ? 1 : 0);
        out += "<d v=\"" + app.bundleId + "\"";
        if (app.isSystem)
            out += " system=\"y\"";
        else if (random.chance(15))
            out += " system=\"n\"";
        if (random.chance(10))
            out += " separateApp=\"yes\"";
        if (app.parent >= 0)
            out +=
                " parentDomain=\"" + m_apps[static_cast<std::size_t>(app.parent)].bundleId + "\"";
        out += ">";
        std::map<std::string, std::vector<std::string>> groups;
        std::vector<std::string> order;
        for (auto& [group, path] : domainRecords(app, i == 0, count))
            appendRecord(groups, order, group, path);
        for (const std::string& group : order) {
            out += "<g v=\"" + group + "\">";
            for (const std::string& path : groups[group])
                out += "<f>" + path + "</f>";
            out += "</g>";
        }
        out += "</d>\n";
    }
    out += "</domains>\n<domainGroups>\n";
    for (std::size_t i = 0; i + 3 < m_apps.size(); i += 40) {
        const WorldApp& app = m_apps[i];
        out += "<g vId=\"g:" + app.vendor + "\" name=\"" + capitalised(app.vendor) +
               " Suite\" path=\"/Applications/" + capitalised(app.vendor) + "\"><subdomains>";
        for (std::size_t j = i; j < i + 3; ++j)
            out += "<d v=\"" + m_apps[j].bundleId + "\"/>";
        out += "</subdomains></g>\n";
    }
    out += "</domainGroups>\n<CustomDomains>\n";
    for (int i = 0; i < 20; ++i) {
        std::string name = capitalised(random.word());
        out += "<CustomDomainDefinition id=\"c:legacy." + std::to_string(i) +
               "\"><![CDATA[[\"compare\", \"CFBundleName\", [\"=\", \"" + name +
               "\"]]]]></CustomDomainDefinition>\n";
    }
    out += "</CustomDomains>\n<customScripts>\n";
    for (std::size_t i = 2; i < m_apps.size(); i += 97) {
        out += "<scripts vId=\"bi:" + m_apps[i].bundleId +
               "\"><preremoval><script version=\"^[0-9]\\.\">launchctl remove " +
               m_apps[i].bundleId + ".agent &amp;&amp; true</script></preremoval></scripts>\n";
    }
    out += "</customScripts>\n<skipList>\n";
    for (std::size_t i = 0; i < m_apps.size(); ++i) {
        if (m_apps[i].isSystem && i % 2 == 0)
            out += "<f>~/" + leftoverPath(LeftoverKind::Caches, m_apps[i]) + "</f>\n";
    }
    out += "<f>~/Library/Caches/CloudKit</f>\n<f>/System/Library/CoreServices</f>\n";
    out += "</skipList>\n<extensionsSkipList>\n";
    for (std::size_t i = 3; i < m_apps.size(); i += 131) {
        out += "<item group=\"plugins\" name=\"" + m_apps[i].name +
               "\" path=\"/Library/Internet Plug-Ins/" + m_apps[i].name + ".plugin\" bundleID=\"" +
               m_apps[i].bundleId + "\"/>\n";
    }
    out += "</extensionsSkipList>\n</base>\n";
    return out;
}

} // namespace bench_support
