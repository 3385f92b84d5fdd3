#include "knowledge/KnowledgeRecordMaker.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KnowledgeBasePathPolicy.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The maker checks a folder once for all its records: whatever the folder and the name,
// it must take exactly the paths the whole check takes, and make them exactly as written.
// Folders: the roots, plain folders in them, shared folders and the folders above shared
// ones, shared trees at and below their depth, doubled and trailing slashes, "." and "..",
// absolute paths in and out of the home folder, and what is no root at all.
TEST(KnowledgeRecordMaker, TakesExactlyWhatThePathPolicyTakes) {
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    ASSERT_TRUE(home.starts_with("/") && home.size() > 1);
    // clang-format off
    std::vector<std::string> folders = {
        "~/Library/", "~/Library/Caches/", "~/Library/Caches/com.example.app/",
        "~/Library/Application Support/", "~/Library/Logs/", "~/Library/Logs/DiagnosticReports/",
        "~/Library/Group Containers/", "~/Library//", "~/Library/./", "~/Library/../",
        "~/Library/Caches/../", "~//Library/", "~/.config/", "~/.config/autostart/", "~/.local/",
        "~/.local/share/", "~/.local/share/icons/", "~/.local/share/icons/hicolor/",
        "~/.local/share/icons/hicolor/48x48/", "~/.local/share/icons/hicolor/48x48/apps/",
        "~/.cache/", "~/.cache/thumbnails/", "~/.cache/thumbnails/normal/", "~/.var/",
        "~/.var/app/", "~/.var/app/org.example.App/", "~/", "~/Documents/", "~/.configx/", "~",
        "~x/Library/", "/Library/Preferences/", "/etc/", "/", "Library/", ""};
    // clang-format on
    for (const char* inHome : {"/Library/Preferences/", "/.config/", "/", "x/Library/"})
        folders.push_back(home + inHome);
    // clang-format off
    const std::vector<std::string> names = {
        "com.example.app.plist", "com.example.app", "Caches", "Library", "share", "state", "app",
        "autostart", "applications", "apps", "hicolor", "48x48", "normal", "thumbnails",
        "DiagnosticReports", "icons", "Application Scripts", "WebKit", "bin", "mime", ".local",
        "Trash", ".", "..", "", std::string("a\0b", 3), "x/"};
    // clang-format on
    KnowledgeRecordArena arena;
    auto group = KnowledgeRecordGroup::GroupWithDomainIdentifier(
        DomainBundleIdentifier::create("com.example.app"));
    KnowledgeRecordMaker maker(arena, home);
    int taken = 0;
    // Twice over, so that the second round asks the folders already checked.
    for (int round = 0; round < 2; ++round) {
        for (const std::string& folder : folders) {
            for (const std::string& name : names) {
                const std::string written = folder + name;
                const std::string expanded =
                    written.starts_with("~/") ? home + written.substr(1) : written;
                const bool allowed = !KnowledgeBasePathPolicy::recordRefusal(expanded, home);
                KnowledgeRecord* record = maker.offerable(*group, written, 3);
                ASSERT_EQ(record != nullptr, allowed) << written;
                if (!record)
                    continue;
                ++taken;
                EXPECT_EQ(record->path(), expanded) << written;
                EXPECT_TRUE(record->hasPath(expanded)) << written;
                EXPECT_EQ(record->dependecyType(), 3);
                EXPECT_EQ(&record->group(), group.get());
            }
        }
    }
    // The table is no use if nearly everything is refused.
    EXPECT_GT(taken, 100);
}

} // namespace
