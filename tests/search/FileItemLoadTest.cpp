#include "knowledge/MutableSystemSkipList.h"
#include "search/FileItem.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using namespace testing_support;

namespace {

// Every node below `item` by its path relative to `item`; a node held twice fails.
void collectNodes(const std::shared_ptr<FileItem>& item, const std::string& prefix,
                  std::map<std::string, std::shared_ptr<FileItem>>& out) {
    if (const FileItem::Children* children = item->getChildren()) {
        for (const auto& [name, child] : *children) {
            EXPECT_EQ(name, child->getNameWithExt());
            std::string path =
                prefix.empty() ? child->getNameWithExt() : prefix + "/" + child->getNameWithExt();
            EXPECT_TRUE(out.emplace(path, child).second) << "twice: " << path;
            collectNodes(child, path, out);
        }
    }
}

std::map<std::string, std::shared_ptr<FileItem>> nodesBelow(const std::shared_ptr<FileItem>& item) {
    std::map<std::string, std::shared_ptr<FileItem>> nodes;
    collectNodes(item, "", nodes);
    return nodes;
}

// The flags of an item as letters (Dir, Link, Package, Backup) and, when it has a
// child dictionary, "/" and the number of children: "D/2", "DP", "L", "".
std::string describe(const FileItem& item) {
    std::string text = std::string(item.isDir() ? "D" : "") + (item.isSymLink() ? "L" : "") +
                       (item.isPackage() ? "P" : "") + (item.isBackup() ? "B" : "");
    if (const FileItem::Children* children = item.getChildren())
        text += "/" + std::to_string(children->size());
    return text;
}

std::map<std::string, std::string> describeBelow(const std::shared_ptr<FileItem>& tree) {
    std::map<std::string, std::string> nodes;
    for (const auto& [relative, item] : nodesBelow(tree))
        nodes[relative] = describe(*item);
    return nodes;
}

} // namespace

TEST(FileItemLoad, EveryKindOfEntryGetsTheSameFlagsHoweverItIsLoaded) {
    std::string base = Sandbox::process().makeFolder("kinds");
    writeFile(base + "/file", "x");
    makeDirs(base + "/folder/inner");
    makeDirs(base + "/Foo.app/Contents/MacOS");
    makeDirs(base + "/Backups.backupdb/Machine");
    makeDirs(base + "/\xff\xfe odd\nname");
    writeFile(base + "/\xff\xfe odd\nname/.hidden", "x");
    makeLink("folder", base + "/toFolder");
    makeLink("file", base + "/toFile");
    makeLink("missing", base + "/dangling");
    makeLink("loop", base + "/loop");
    ASSERT_EQ(mkfifo((base + "/fifo").c_str(), 0600), 0);
    // Packages, backups and links are never entered.
    // clang-format off
    const std::map<std::string, std::string> expected = {
        {"file", ""}, {"folder", "D/1"}, {"folder/inner", "D/0"}, {"Foo.app", "DP"},
        {"Backups.backupdb", "DB"}, {"toFolder", "L"}, {"toFile", ""}, {"dangling", ""},
        {"loop", ""}, {"fifo", ""}, {"\xff\xfe odd\nname", "D/1"}, {"\xff\xfe odd\nname/.hidden", ""}};
    // clang-format on

    // With a trailing "/" children's paths still have one "/" before their names.
    auto tree = FileItem::createTreeForPath(base + "/", nullptr);
    ASSERT_TRUE(tree);
    EXPECT_EQ(describeBelow(tree), expected);
    for (const auto& [relative, item] : nodesBelow(tree))
        EXPECT_EQ(item->buildFullPath(), base + "/" + relative);

    // As roots and as children made by path, examined by their paths.
    auto parent = FileItem::createTreeForPath(base, 0, nullptr);
    ASSERT_TRUE(parent);
    for (const auto& [name, flags] : expected) {
        if (name.find('/') != std::string::npos)
            continue;
        auto root = FileItem::createTreeForPath(base + "/" + name, 0, nullptr);
        ASSERT_TRUE(root) << name;
        EXPECT_EQ(describe(*root), flags.substr(0, flags.find('/'))) << name;
        auto child = FileItem::createTreeForPath(base + "/" + name, 1, parent, name, nullptr);
        ASSERT_TRUE(child) << name;
        EXPECT_EQ(describe(*child), flags) << name;
        EXPECT_EQ(parent->getChildrenWithName(name), child) << name;
    }
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/absent", nullptr));
    EXPECT_FALSE(FileItem::createTreeForPath("", nullptr));

    // Handed over entry by entry: each entry of the root once, with everything below it,
    // before the next one is loaded; the tree comes out the same.
    std::vector<std::string> handed;
    auto streamed = FileItem::createTreeForPath(
        base + "/", -1, nullptr, [&](const std::shared_ptr<FileItem>& entry) {
            const std::string name = entry->getNameWithExt();
            EXPECT_EQ(entry->getParent()->getChildren()->size(), handed.size() + 1) << name;
            std::map<std::string, std::string> below;
            for (const auto& [relative, flags] : expected) {
                if (relative.starts_with(name + "/"))
                    below[relative.substr(name.size() + 1)] = flags;
            }
            EXPECT_EQ(describeBelow(entry), below) << name;
            handed.push_back(name);
        });
    ASSERT_TRUE(streamed);
    EXPECT_EQ(describeBelow(streamed), expected);
    EXPECT_EQ(handed.size(), tree->getChildren()->size());
}

TEST(FileItemLoad, SkipListLeavesOutExactPathsOnly) {
    std::string base = Sandbox::process().makeFolder("skip");
    for (const char* folder : {"keep/inner", "skipped/inner", "slash", "Skipped"})
        makeDirs(base + "/" + folder);
    MutableSystemSkipList list;
    list.clearContent();
    for (const char* path : {"/skipped", "/slash/", "/keep/inner"})
        list.addPath(base + path);
    auto tree = FileItem::createTreeForPath(base, &list);
    ASSERT_TRUE(tree);
    EXPECT_EQ(describeBelow(tree), (std::map<std::string, std::string>{
                                       {"keep", "D/0"}, {"slash", "D/0"}, {"Skipped", "D/0"}}));
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/skipped", &list));
    EXPECT_TRUE(FileItem::createTreeForPath(base + "/skipped/inner", &list));
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/slash/", &list));
}
