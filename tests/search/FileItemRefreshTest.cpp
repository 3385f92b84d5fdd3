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
    auto other = folder->getChildrenWithName("other");
    ASSERT_TRUE(other);

    // Once its parent is gone, an item's path is its bare name.
    folder.reset();
    EXPECT_EQ(other->getParent(), nullptr);
    EXPECT_EQ(other->buildFullPath(), "other");
}
