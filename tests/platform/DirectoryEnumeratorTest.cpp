#include "platform/DirectoryEnumerator.h"

#include "platform/FileSystem.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <map>

using platform::DirectoryEnumerator;
using platform::FileSystem;
using namespace testing_support;

namespace {

// Relative path -> level of every entry below `folder`, failing on duplicates.
std::map<std::string, int> walk(const std::string& folder) {
    std::map<std::string, int> seen;
    auto enumerator = DirectoryEnumerator::create(folder);
    DirectoryEnumerator::Entry entry;
    const std::string prefix = folder.substr(0, folder.find_last_not_of('/') + 1) + "/";
    while (enumerator && enumerator->next(entry)) {
        EXPECT_EQ(entry.path.rfind(prefix, 0), 0u) << entry.path;
        std::string relative = entry.path.substr(prefix.size());
        EXPECT_TRUE(entry.values == FileSystem::resourceValues(entry.path)) << entry.path;
        EXPECT_TRUE(seen.emplace(relative, entry.level).second) << "twice: " << relative;
    }
    EXPECT_FALSE(enumerator && enumerator->next(entry)) << folder;
    return seen;
}

} // namespace

TEST(DirectoryEnumerator, VisitsEverythingBelowWithoutFollowingLinks) {
    std::string base = Sandbox::process().makeFolder("walk");
    std::string root = base + "/root";
    makeDirs(root + "/.hidden/inner");
    makeDirs(root + "/Foo.app/Contents/MacOS");
    makeDirs(base + "/outside/secret");
    writeFile(root + "/Foo.app/Contents/Info.plist", "x");
    writeFile(root + "/.hidden/inner/line\nbreak", "x");
    makeLink(base + "/outside", root + "/toOutside");
    makeLink("missing", root + "/dangling");

    const std::map<std::string, int> expected = {{".hidden", 1},
                                                 {".hidden/inner", 2},
                                                 {".hidden/inner/line\nbreak", 3},
                                                 {"Foo.app", 1},
                                                 {"Foo.app/Contents", 2},
                                                 {"Foo.app/Contents/Info.plist", 3},
                                                 {"Foo.app/Contents/MacOS", 3},
                                                 {"toOutside", 1},
                                                 {"dangling", 1}};
    EXPECT_EQ(walk(root), expected);
    EXPECT_EQ(walk(root + "//"), expected);

    // The folder itself may be a link; what is below it is still never followed.
    makeLink(root, base + "/rootLink");
    EXPECT_EQ(walk(base + "/rootLink").size(), expected.size());

    EXPECT_FALSE(DirectoryEnumerator::create(base + "/missing"));
    EXPECT_FALSE(DirectoryEnumerator::create(root + "/Foo.app/Contents/Info.plist"));
}

TEST(DirectoryEnumerator, SkipsDescendantsOnlyOfTheEntryJustReturned) {
    std::string root = Sandbox::process().makeFolder("skip");
    makeDirs(root + "/skipped/deep/er");
    makeDirs(root + "/kept/deep");
    writeFile(root + "/file", "x");

    auto enumerator = DirectoryEnumerator::create(root);
    ASSERT_TRUE(enumerator);
    DirectoryEnumerator::Entry entry;
    std::map<std::string, int> seen;
    while (enumerator->next(entry)) {
        std::string relative = entry.path.substr(root.size() + 1);
        seen[relative] = entry.level;
        if (relative == "skipped" || relative == "file")
            enumerator->skipDescendants();
    }
    EXPECT_EQ(seen, (std::map<std::string, int>{
                        {"skipped", 1}, {"kept", 1}, {"kept/deep", 2}, {"file", 1}}));
}

// Deeper than the descriptor bound, with siblings at every level, so that folders
// pushed out by deeper ones must be taken up again where they were left.
TEST(DirectoryEnumerator, ResumesFoldersAfterWalkingDeeperThanTheDescriptorBound) {
    std::string root = Sandbox::process().makeFolder("resume");
    std::map<std::string, int> expected;
    std::string prefix;
    for (int level = 1; level <= 3 * int(DirectoryEnumerator::kMaxOpenFolders); ++level) {
        // Names differ by level, so that in any listing order many levels keep unread siblings.
        const std::string tag = std::to_string(level);
        makeDirs(root + "/" + prefix + "s" + tag);
        makeDirs(root + "/" + prefix + "d");
        for (const std::string& file : {"a" + tag, "b" + tag, "s" + tag + "/g"})
            writeFile(root + "/" + prefix + file, "");
        for (const std::string& name :
             {"a" + tag, "b" + tag, "s" + tag, "s" + tag + "/g", std::string("d")})
            expected[prefix + name] = level + (name.find('/') != std::string::npos);
        prefix += "d/";
    }
    EXPECT_EQ(walk(root), expected);
}
