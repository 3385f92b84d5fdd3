#include "TreeTestSupport.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLRule.h"
#include "knowledge/MutableSystemSkipList.h"
#include "platform/FileSystem.h"
#include "platform/FileTestSupport.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/SearchRule.h"
#include "search/SearchRuleSeparator.h"
#include "support/Sandbox.h"

#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>
#include <sys/stat.h>

using namespace testing_support;

namespace {

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
        EXPECT_TRUE(parent->isHasChild(child)) << name;
    }
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/absent", nullptr));
    EXPECT_FALSE(FileItem::createTreeForPath("", nullptr));
}

TEST(FileItemLoad, DepthDecidesHowManyLevelsLoad) {
    std::string base = Sandbox::process().makeFolder("depth");
    makeDirs(base + "/a/b");
    writeFile(base + "/a/b/file", "x");
    const std::map<std::string, std::string> all = {{"a", "D/1"}, {"a/b", "D/1"}, {"a/b/file", ""}};
    const struct {
        int deep;
        std::string root;
        std::map<std::string, std::string> nodes;
    } cases[] = {
        {0, "D", {}},     {1, "D/1", {{"a", "D"}}}, {2, "D/1", {{"a", "D/1"}, {"a/b", "D"}}},
        {-1, "D/1", all}, {-7, "D/1", all},
    };
    for (const auto& c : cases) {
        auto tree = FileItem::createTreeForPath(base, c.deep, nullptr);
        ASSERT_TRUE(tree);
        EXPECT_EQ(describe(*tree), c.root) << c.deep;
        EXPECT_EQ(describeBelow(tree), c.nodes) << c.deep;
    }
}

TEST(FileItemLoad, SkipListLeavesOutExactPathsOnly) {
    std::string base = Sandbox::process().makeFolder("skip");
    for (const char* folder : {"keep/inner", "skipped/inner", "slash", "Skipped"})
        makeDirs(base + "/" + folder);
    std::set<std::string> paths = {base + "/skipped", base + "/slash/", base + "/keep/inner"};
    MutableSystemSkipList list;
    list.clearContent();
    for (const std::string& path : paths)
        list.addPath(path);
    auto tree = FileItem::createTreeForPath(base, &list);
    ASSERT_TRUE(tree);
    EXPECT_EQ(describeBelow(tree), (std::map<std::string, std::string>{
                                       {"keep", "D/0"}, {"slash", "D/0"}, {"Skipped", "D/0"}}));
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/skipped", &list));
    EXPECT_TRUE(FileItem::createTreeForPath(base + "/skipped/inner", &list));
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/slash/", &list));
}

namespace {

// Counts offers without building paths, which would cost the square of the depth.
class CountingSeparator : public SearchRuleSeparator {
public:
    std::size_t offers{0};
    std::size_t withParent{0};
    void saveFileItemsTree(const std::shared_ptr<FileItem>&) override {}
    bool addSystemDepItem(const std::shared_ptr<DepFileItem>&) override { return false; }
    bool addDepItemToDomainIdentifier(const std::shared_ptr<DepFileItem>&,
                                      const std::shared_ptr<const DomainIdentifier>&) override {
        return false;
    }
    bool addDepItemWithParentDepItem(const std::shared_ptr<DepFileItem>&,
                                     const std::shared_ptr<DepFileItem>& parent) override {
        withParent += parent ? 1 : 0;
        return ++offers;
    }
};

// Runs `work` on a thread with a small stack, on which anything that recursed as deep
// as a deep tree would overflow.
void onSmallStack(std::function<void()> work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 128 * 1024);
    pthread_t thread{};
    auto run = +[](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

} // namespace

TEST(FileItemLoad, DeepChainIsLoadedRefreshedAndSearchedOnASmallStack) {
    constexpr int kDepth = 2500;
    std::string base = Sandbox::process().makeFolder("chain");
    std::string chain = base;
    for (int level = 0; level < kDepth; ++level)
        chain += "/d";
    ASSERT_TRUE(platform::FileSystem::createDirectory(chain, true));
    ASSERT_GT(chain.size(), static_cast<std::size_t>(PATH_MAX));
    std::shared_ptr<SearchRule> rule;
    auto document =
        KBXMLDocument::create("<base><rules><rule path=\"" + base +
                              "\"><f name=\"d\" group=\"caches\"/></rule></rules></base>");
    ASSERT_TRUE(document && document->rules());
    document->rules()->iterateRules(
        [&](const KBXMLRule& built) { rule = SearchRule::create(built); });
    ASSERT_TRUE(rule);

    int depth = 0;
    std::string deepestPath;
    auto listener = std::make_shared<RecordingListener>(base);
    auto separator = std::make_shared<CountingSeparator>();
    onSmallStack([&] {
        auto tree = FileItem::createTreeForPath(base, nullptr);
        if (!tree)
            return;
        std::shared_ptr<FileItem> deepest = tree;
        while (auto next = deepest->getChildrenWithName("d")) {
            deepest = next;
            ++depth;
        }
        deepestPath = deepest->buildFullPath();
        tree->setListener(listener);
        platform::FileSystem::writeFileAtomically(chain + "/bottom", "");
        deepest->updateContentOfDir(nullptr);
        rule->findDependenciesForSeparator(separator, nullptr);
    });

    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(deepestPath, chain);
    ASSERT_EQ(listener->events.size(), 1u);
    EXPECT_TRUE(listener->events[0].ends_with("/d/bottom in d"));
    EXPECT_EQ(separator->offers, static_cast<std::size_t>(kDepth));
    EXPECT_EQ(separator->withParent, static_cast<std::size_t>(kDepth - 1));
    EXPECT_TRUE(platform::FileSystem::removeItem(base + "/d"));
}
