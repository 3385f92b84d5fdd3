#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace bench_support {

// A knowledge-base document of about `targetBytes`, shaped like the real one: search
// rules with filters and sub-rules, name separators, thousands of domains with file
// groups, domain groups, custom domain definitions, removal scripts and both skip
// lists. The same seed always gives the same bytes.
class KnowledgeBaseDocument {
public:
    static std::string make(size_t targetBytes, std::uint64_t seed = 20240601) {
        KnowledgeBaseDocument document(seed);
        return document.build(targetBytes);
    }

private:
    explicit KnowledgeBaseDocument(std::uint64_t seed) : m_state(seed | 1) {}

    std::uint64_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    size_t below(size_t bound) { return static_cast<size_t>(next() % bound); }
    template <size_t N> std::string_view pick(const std::array<std::string_view, N>& words) {
        return words[below(N)];
    }

    std::string word() {
        static constexpr std::string_view kSyllables = "kamirotesulanivexopadubeginorafy";
        std::string result;
        size_t length = 2 + below(3);
        for (size_t i = 0; i < length; ++i) {
            size_t at = below(kSyllables.size() / 2) * 2;
            result += kSyllables.substr(at, 2);
        }
        return result;
    }
    std::string capitalised(std::string text) {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
        return text;
    }
    std::string bundleIdentifier() { return "com." + word() + "." + capitalised(word()); }

    static constexpr std::array<std::string_view, 12> kGroups{
        "caches",        "preferences", "application-support", "containers", "logs",   "cookies",
        "crash-reports", "plugins",     "login-items",         "library",    "shared", "system"};
    static constexpr std::array<std::string_view, 8> kFolders{
        "~/Library/Caches/",
        "~/Library/Preferences/",
        "~/Library/Application Support/",
        "~/Library/Containers/",
        "~/Library/Logs/",
        "~/Library/Saved Application State/",
        "/Library/LaunchAgents/",
        "~/Library/Group Containers/",
    };

    void rules(std::string& out, size_t count) {
        out += "\t<rules>\n";
        for (size_t i = 0; i < count; ++i) {
            out += "\t\t<rule path=\"" + std::string(pick(kFolders)) + "\" deep=\"" +
                   std::to_string(below(4)) + "\" fdeep=\"" + std::to_string(below(3)) +
                   "\" fname=\"" + word() + ".plist\">\n";
            size_t filters = 2 + below(4);
            for (size_t f = 0; f < filters; ++f) {
                out += "\t\t\t<f type=\"" + std::string(f % 2 ? "folder" : "file") +
                       "\" namePrefix=\"com." + word() + ".\" domain=\"" + bundleIdentifier() +
                       "\" group=\"" + std::string(pick(kGroups)) + "\"" +
                       (below(3) == 0 ? " separate=\"yes\" goDeeper=\"yes\"" : "") + "/>\n";
            }
            if (below(4) == 0) {
                out += "\t\t\t<rule path=\"" + word() + "\" deep=\"1\">\n\t\t\t\t<f name=\"" +
                       word() + "\" domainId=\"bi:" + bundleIdentifier() +
                       "\" group=\"caches\"/>\n\t\t\t</rule>\n";
            }
            out += "\t\t</rule>\n";
        }
        out += "\t</rules>\n";
    }

    void separators(std::string& out, size_t count) {
        static constexpr std::array<std::string_view, 4> kTypes{
            "originalName", "lowercaseName", "alphanumericName", "nameComponent"};
        out += "\t<separators>\n";
        for (size_t i = 0; i < count; ++i) {
            out += "\t\t<d v=\"" + bundleIdentifier() + "\">\n";
            for (size_t s = 0, n = 1 + below(3); s < n; ++s) {
                out += "\t\t\t<s type=\"" + std::string(pick(kTypes)) + "\">";
                for (size_t v = 0, m = 1 + below(3); v < m; ++v)
                    out += "<v>" + capitalised(word()) + "</v>";
                out += "</s>\n";
            }
            out += "\t\t</d>\n";
        }
        out += "\t</separators>\n";
    }

    void domain(std::string& out) {
        std::string identifier = bundleIdentifier();
        out += "\t\t<d v=\"" + identifier + "\"";
        if (below(3) == 0)
            out += below(2) ? " system=\"n\"" : " separateApp=\"y\"";
        if (below(8) == 0)
            out += " parentDomain=\"" + bundleIdentifier() + "\"";
        out += ">\n";
        for (size_t g = 0, groups = 1 + below(5); g < groups; ++g) {
            out += "\t\t\t<g v=\"" + std::string(pick(kGroups)) + "\">\n";
            for (size_t f = 0, files = 1 + below(4); f < files; ++f) {
                out += "\t\t\t\t<f>" + std::string(pick(kFolders)) + identifier;
                out += f == 0 ? std::string() : "." + word();
                out += "</f>\n";
            }
            out += "\t\t\t</g>\n";
        }
        out += "\t\t</d>\n";
    }

    void domainGroups(std::string& out, size_t count) {
        out += "\t<domainGroups>\n";
        for (size_t i = 0; i < count; ++i) {
            std::string vendor = word();
            out += "\t\t<g vId=\"g:" + vendor + "\" name=\"" + capitalised(vendor) +
                   " Suite\" path=\"/Applications/" + capitalised(vendor) + "\">\n" +
                   "\t\t\t<subdomains>\n";
            for (size_t d = 0, n = 2 + below(5); d < n; ++d)
                out += "\t\t\t\t<d v=\"com." + vendor + "." + capitalised(word()) + "\"/>\n";
            out += "\t\t\t</subdomains>\n\t\t</g>\n";
        }
        out += "\t</domainGroups>\n";
    }

    void customDomains(std::string& out, size_t count) {
        out += "\t<CustomDomains>\n";
        for (size_t i = 0; i < count; ++i) {
            std::string name = word();
            out += "\t\t<CustomDomainDefinition id=\"c:" + name + "\">{\"name\": \"" +
                   capitalised(name) + "\", \"paths\": [\"~/." + name + "\", \"~/Library/" +
                   capitalised(name) + "\"], \"match\": \"^" + name + "[0-9]*$\"}" +
                   "</CustomDomainDefinition>\n";
        }
        out += "\t</CustomDomains>\n";
    }

    void customScripts(std::string& out, size_t count) {
        out += "\t<customScripts>\n";
        for (size_t i = 0; i < count; ++i) {
            std::string identifier = bundleIdentifier();
            out += "\t\t<scripts vId=\"bi:" + identifier + "\">\n\t\t\t<preremoval>\n" +
                   "\t\t\t\t<script version=\"^" + std::to_string(below(9)) + "\\.\"" +
                   (below(2) ? " useAdminPrivileges=\"true\"" : "") + ">launchctl remove " +
                   identifier + " &amp;&amp; rm -rf \"$HOME/Library/" + capitalised(word()) +
                   "\" &gt;/dev/null</script>\n\t\t\t</preremoval>\n";
            if (below(3) == 0) {
                out += "\t\t\t<postremoval><script><![CDATA[killall " + capitalised(word()) +
                       " 2>/dev/null || true]]></script></postremoval>\n";
            }
            out += "\t\t</scripts>\n";
        }
        out += "\t</customScripts>\n";
    }

    void skipLists(std::string& out, size_t count) {
        out += "\t<skipList>\n";
        for (size_t i = 0; i < count; ++i)
            out += "\t\t<f>" + std::string(pick(kFolders)) + "com.apple." + word() + "</f>\n";
        out += "\t</skipList>\n\t<extensionsSkipList>\n";
        for (size_t i = 0; i < count; ++i) {
            std::string name = capitalised(word());
            out += "\t\t<item group=\"" + std::string(pick(kGroups)) + "\" name=\"" + name +
                   "\" path=\"/Library/Internet Plug-Ins/" + name + ".plugin\" bundleID=\"" +
                   bundleIdentifier() + "\" mainAppPath=\"/Applications/" + name +
                   ".app\" browserExtID=\"" + word() + word() + "\"/>\n";
        }
        out += "\t</extensionsSkipList>\n";
    }

    std::string build(size_t targetBytes) {
        // Everything but the domains takes about a quarter of the document.
        size_t unit = targetBytes / 20000;
        std::string out;
        out.reserve(targetBytes + 4096);
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- knowledge base -->\n<base>\n";
        rules(out, unit * 6);
        separators(out, unit * 8);
        domainGroups(out, unit * 3);
        customDomains(out, unit * 2);
        customScripts(out, unit * 3);
        skipLists(out, unit * 4);
        out += "\t<domains>\n";
        const std::string tail = "\t</domains>\n</base>\n";
        while (out.size() + tail.size() < targetBytes)
            domain(out);
        out += tail;
        return out;
    }

    std::uint64_t m_state;
};

} // namespace bench_support
