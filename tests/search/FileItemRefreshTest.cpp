#include "TreeTestSupport.h"
#include "knowledge/MutableSystemSkipList.h"
#include "platform/FileSystem.h"
#include "search/FileItem.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <set>

using namespace testing_support;
using Events = std::vector<std::string>;

TEST(FileItemRefresh, ReportsRemovalsThenAdditionsAndKeepsUnchangedItems) {
    std::string base = Sandbox::process().makeFolder("refresh");
    makeDirs(base + "/kept/inner");
    writeFile(base + "/gone", "x");
    auto tree = FileItem::createTreeForPath(base, 1, nullptr);
    ASSERT_TRUE(tree);
    auto listener = std::make_shared<RecordingListener>(base);
    tree->setListener(listener);
    auto kept = tree->getChildrenWithName("kept");

    removeTree(base + "/gone");
    makeDirs(base + "/new/sub/deeper");
    makeDirs(base + "/skipped");
    MutableSystemSkipList skipList;
    skipList.addPath(base + "/skipped");
    tree->updateContentOfDir(&skipList);
    const std::string& root = tree->getNameWithExt();
    // A new entry of the root is loaded to the root's depth, and reported before its
    // contents.
    EXPECT_EQ(listener->events, (Events{"-gone in " + root, "+new in " + root, "+new/sub in new"}));
    EXPECT_EQ(tree->getChildrenWithName("kept"), kept);
    EXPECT_EQ(describe(*tree), "D/2");
    EXPECT_EQ(describe(*tree->getChildrenWithName("new")), "D/1");

    // Any other folder's new entries come without contents.
    listener->events.clear();
    kept->loadNextLevel(&skipList);
    EXPECT_EQ(listener->events, (Events{"+kept/inner in kept"}));
    EXPECT_EQ(describe(*kept->getChildrenWithName("inner")), "D");

    // Nothing to report: no events, same objects.
    listener->events.clear();
    tree->updateContentOfDir(&skipList);
    EXPECT_TRUE(listener->events.empty());
    EXPECT_EQ(tree->getChildrenWithName("kept"), kept);
}

TEST(FileItemRefresh, LeavesVanishedFoldersAndListenerlessTreesAlone) {
    std::string base = Sandbox::process().makeFolder("alone");
    makeDirs(base + "/folder/sub");
    auto folder = FileItem::createTreeForPath(base + "/folder", nullptr);
    auto listener = std::make_shared<RecordingListener>(base);
    folder->setListener(listener);
    ASSERT_TRUE(platform::FileSystem::removeItem(base + "/folder"));
    folder->updateContentOfDir(nullptr);
    EXPECT_EQ(describe(*folder), "D/1");
    EXPECT_TRUE(listener->events.empty());

    // A listener that has gone away hears nothing and stops nothing.
    makeDirs(base + "/folder/other");
    listener.reset();
    folder->updateContentOfDir(nullptr);
    EXPECT_EQ(describe(*folder), "D/1");
    auto other = folder->getChildrenWithName("other");
    ASSERT_TRUE(other);

    // Once its parent is gone, an item's path is its bare name.
    folder.reset();
    EXPECT_EQ(other->getParent(), nullptr);
    EXPECT_EQ(other->buildFullPath(), "other");
}

TEST(FileItemRefresh, FoldersVanishingWhileNewEntriesLoad) {
    std::string base = Sandbox::process().makeFolder("vanish");
    auto tree = FileItem::createTreeForPath(base, nullptr);
    ASSERT_TRUE(tree);
    makeDirs(base + "/new/victim");
    for (const char* name : {"a", "b", "c"})
        writeFile(base + "/new/victim/" + std::string(name), "");
    std::string chain = base + "/new/chain";
    for (int level = 0; level < 60; ++level)
        chain += "/d";
    ASSERT_TRUE(platform::FileSystem::createDirectory(chain, true));

    // Items are reported before their contents load, so what is removed here is gone
    // by the time the loader reaches it, and at level 50 the folders the walk has let
    // go of vanish too.
    auto listener = std::make_shared<RecordingListener>(base);
    int level = 0;
    listener->afterAdded = [&](const std::shared_ptr<FileItem>& item) {
        if (item->getNameWithExt() == "victim")
            platform::FileSystem::removeItem(item->buildFullPath());
        if (item->getNameWithExt() == "d" && ++level == 50)
            platform::FileSystem::removeItem(base + "/new/chain/d/d/d/d/d");
    };
    tree->setListener(listener);
    tree->updateContentOfDir(nullptr);

    std::set<std::string> added;
    for (const std::string& event : listener->events) {
        ASSERT_EQ(event[0], '+') << event;
        std::string path = event.substr(1, event.find(" in ") - 1);
        EXPECT_TRUE(added.insert(path).second) << "twice: " << path;
    }
    std::set<std::string> loaded;
    for (const auto& [relative, item] : nodesBelow(tree))
        loaded.insert(relative);
    EXPECT_EQ(loaded, added);
    EXPECT_EQ(describe(*tree->getChildrenWithName("new")->getChildrenWithName("victim")), "D/0");
    EXPECT_EQ(level, 50);
}
