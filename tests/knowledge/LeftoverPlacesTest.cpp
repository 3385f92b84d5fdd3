#include "knowledge/LeftoverPlaces.h"

#include "knowledge/KnowledgeBasePathPolicy.h"

#include <gtest/gtest.h>

// What a shipped record may name: something inside one of the places where leftovers
// lie, never a folder every application shares, never a climb out.
TEST(LeftoverPlaces, RecordsMayNameThePlacesLeftoversLieInAndNothingShared) {
    const std::pair<const char*, bool> cases[] = {
        {"~/Library/Caches/com.example.app", true},
        {"~/.config/discord", true},
        {"~/.cache/mozilla/firefox", true},
        {"~/.local/share/Steam", true},
        {"~/.local/state/mpv", true},
        {"~/.var/app/com.slack.Slack", true},
        {"~/.config", false},
        {"~/.var/app", false},
        {"~/.local", false},
        {"~/.local/share/applications", false},
        {"~/.local/share/icons/hicolor/48x48/apps", false},
        {"~/.local/share/icons/hicolor/48x48/apps/foo.png", true},
        {"~/.cache/thumbnails/normal", false},
        {"~/.config/autostart", false},
        {"~/.configx/foo", false},
        {"~/.config/../Documents", false},
        {"~/Documents/foo", false},
        {"~/.bashrc", false},
        {"/etc/foo", false},
    };
    for (const auto& [written, allowed] : cases) {
        EXPECT_EQ(!KnowledgeBasePathPolicy::writtenRecordRefusal(written), allowed) << written;
        std::string path = std::string(written);
        if (path.starts_with("~"))
            path = "/home/ann" + path.substr(1);
        EXPECT_EQ(!KnowledgeBasePathPolicy::recordRefusal(path, "/home/ann"), allowed) << path;
    }
    // A rule walks a root only to a depth.
    EXPECT_FALSE(KnowledgeBasePathPolicy::writtenRuleRefusal("~/.config", 1));
    EXPECT_TRUE(KnowledgeBasePathPolicy::writtenRuleRefusal("~/.config", -1));
    EXPECT_TRUE(KnowledgeBasePathPolicy::writtenRuleRefusal("~/.ssh", 1));
}
