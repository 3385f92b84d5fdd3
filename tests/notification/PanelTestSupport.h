#pragma once

#include "notification/RemainsInfo.h"
#include "platform/Bundle.h"
#include "support/QtTestSupport.h"
#include "support/Sandbox.h"

#include <QCoreApplication>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace panel_test {

// A remains entry with fixed answers, for views that only read one.
class FixedRemains : public RemainsInfo {
public:
    FixedRemains(std::string name, std::string path, std::uint64_t total)
        : m_name(std::move(name)), m_path(std::move(path)), m_total(total) {}

    std::string appName() const override { return m_name; }
    std::string mainPath() const override { return m_path; }
    std::uint64_t getTotalSize() const override { return m_total; }
    void addBundle(const std::shared_ptr<platform::Bundle>&) override {}
    void addRemoveObjectPathsToArray(std::vector<std::shared_ptr<PathForRemove>>&) const override {}

private:
    std::string m_name;
    std::string m_path;
    std::uint64_t m_total;
};

inline std::string escapedForXml(const std::string& text) {
    std::string escaped;
    for (const char c : text)
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return escaped;
}

// An application bundle folder/<name>.app: Contents/Info.plist with the given
// identifier (none when empty), executable name (the bundle's name unless given) and
// extra XML entries.
inline std::string makeApp(const std::string& folder, const std::string& name,
                           const std::string& identifier, const std::string& extraEntries = {},
                           const std::optional<std::string>& executable = std::nullopt) {
    const std::string path = folder + "/" + name + ".app";
    std::string plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>";
    if (!identifier.empty())
        plist += "<key>CFBundleIdentifier</key><string>" + escapedForXml(identifier) + "</string>";
    plist += "<key>CFBundleExecutable</key><string>" + escapedForXml(executable.value_or(name)) +
             "</string>";
    plist += extraEntries + "</dict></plist>\n";
    testing_support::makeDirs(path + "/Contents/Resources");
    testing_support::writeFile(path + "/Contents/Info.plist", plist);
    return path;
}

// Shows the widget off screen and lets its layouts settle.
inline void settle(QWidget& widget) {
    widget.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace panel_test
