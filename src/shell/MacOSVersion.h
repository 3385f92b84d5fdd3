#pragma once

#include <optional>
#include <string>

// The running system's version and comparisons against it. On a system without
// a version file the version is unknown and every comparison answers YES.
class MacOSVersion {
public:
    static MacOSVersion& GetInstance();

    // A version object for a given system version; the shared one reads it from
    // the system version file under the (sandbox-aware) root folder.
    explicit MacOSVersion(std::optional<std::string> systemVersion);

    const std::optional<std::string>& version() const { return m_sMacOSVersion; }

    bool isMacOSHasVersion(const std::optional<std::string>& version, bool orLower,
                           bool orHigher) const;

    bool is_10_9_orHigher() const { return m_bIs_10_9_orHigher; }
    bool is_10_10_orHigher() const { return m_bIs_10_10_orHigher; }
    bool is_10_11_orHigher() const { return m_bIs_10_11_orHigher; }
    bool is_10_12_orHigher() const { return m_bIs_10_12_orHigher; }
    bool is_10_14_orHigher() const { return m_is_10_14_orHigher; }
    bool is_10_15_orHigher() const { return m_is_10_15_orHigher; }

    static std::optional<std::string> readSystemVersion();

private:
    std::optional<std::string> m_sMacOSVersion;
    bool m_bIs_10_9_orHigher{true};
    bool m_bIs_10_10_orHigher{true};
    bool m_bIs_10_11_orHigher{true};
    bool m_bIs_10_12_orHigher{true};
    bool m_is_10_14_orHigher{true};
    bool m_is_10_15_orHigher{true};
};
