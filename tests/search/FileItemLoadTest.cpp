#include "TreeTestSupport.h"
#include "knowledge/MutableSystemSkipList.h"
#include "platform/DirectoryEnumerator.h"
#include "platform/FileSystem.h"
#include "platform/FileTestSupport.h"
#include "search/FileItem.h"
#include "support/Sandbox.h"

#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

namespace {

// Every item below `folder` with its type, size, mode and modification time, to show
// that loading changes nothing on disk.
std::map<std::string, std::string> diskState(const std::string& folder) {
    std::map<std::string, std::string> state;
    auto enumerator = platform::DirectoryEnumerator::create(folder);
    platform::DirectoryEnumerator::Entry entry;
    while (enumerator && enumerator->next(entry)) {
        struct stat status {};
        lstat(entry.path.c_str(), &status);
        state[entry.path] = std::to_string(status.st_mode) + " " + std::to_string(status.st_size) +
                            " " + std::to_string(status.st_mtim.tv_sec) + "." +
                            std::to_string(status.st_mtim.tv_nsec);
    }
    return state;
}

// A folder with one entry of every kind the loader tells apart.
std::string makeMixedFolder() {
    std::string base = Sandbox::process().makeFolder("kinds");
    writeFile(base + "/file", "x");
    makeDirs(base + "/folder/inner");
    writeFile(base + "/folder/inner/deep", "x");
    makeDirs(base + "/Foo.app/Contents/MacOS");
    makeDirs(base + "/Backups.backupdb/Machine");
    makeDirs(base + "/\xff\xfe odd\nname");
    writeFile(base + "/\xff\xfe odd\nname/.hidden", "x");
    makeLink("folder", base + "/toFolder");
    makeLink("file", base + "/toFile");
    makeLink("missing", base + "/dangling");
    makeLink("loop", base + "/loop");
    EXPECT_EQ(mkfifo((base + "/fifo").c_str(), 0600), 0);
    return base;
}

} // namespace

TEST(FileItemLoad, EveryKindOfEntryGetsTheSameFlagsHoweverItIsLoaded) {
    std::string base = makeMixedFolder();
    const std::map<std::string, std::string> expected = {
        {"file", ""},      {"folder", "D/1"},
        {"Foo.app", "DP"}, {"Backups.backupdb", "DB"},
        {"toFolder", "L"}, {"toFile", ""},
        {"dangling", ""},  {"loop", ""},
        {"fifo", ""},      {"\xff\xfe odd\nname", "D/1"},
    };
    auto before = diskState(base);

    // As children of a loaded tree, examined relative to their folder.
    auto tree = FileItem::createTreeForPath(base, nullptr);
    ASSERT_TRUE(tree);
    std::map<std::string, std::string> asChildren;
    for (const auto& [name, child] : *tree->getChildren())
        asChildren[std::string(name)] = describe(*child);
    EXPECT_EQ(asChildren, expected);

    // As roots and as children made by path, examined by their paths.
    auto parent = FileItem::createTreeForPath(base, 0, nullptr);
    ASSERT_TRUE(parent);
    for (const auto& [name, flags] : expected) {
        auto root = FileItem::createTreeForPath(base + "/" + name, -1, nullptr);
        ASSERT_TRUE(root) << name;
        EXPECT_EQ(describe(*root), flags) << name;
        EXPECT_EQ(root->getNameWithExt(), name);
        auto child = FileItem::createTreeForPath(base + "/" + name, 1, parent, name, nullptr);
        ASSERT_TRUE(child) << name;
        EXPECT_EQ(describe(*child), flags) << name;
        EXPECT_TRUE(parent->isHasChild(child)) << name;
        EXPECT_EQ(child->buildFullPath(), base + "/" + name);
    }
    EXPECT_EQ(parent->getChildren()->size(), expected.size());
    EXPECT_FALSE(FileItem::createTreeForPath(base + "/absent", nullptr));
    EXPECT_FALSE(FileItem::createTreeForPath("", nullptr));
    EXPECT_EQ(diskState(base), before);
}

TEST(FileItemLoad, TreeHoldsWhatAWalkSeesExceptInsidePackagesBackupsAndLinks) {
    std::string base = makeMixedFolder();
    makeDirs(base + "/folder/a/b/c");
    makeLink("..", base + "/folder/a/up");
    for (int i = 0; i < 30; ++i)
        writeFile(base + "/folder/a/b/c/f" + std::to_string(i), "");
    std::set<std::string> walked;
    auto enumerator = platform::DirectoryEnumerator::create(base);
    platform::DirectoryEnumerator::Entry entry;
    while (enumerator->next(entry)) {
        std::string relative = entry.path.substr(base.size() + 1);
        if (!relative.starts_with("Foo.app/") && !relative.starts_with("Backups.backupdb/"))
            walked.insert(relative);
    }

    // With the trailing "/", children's paths still have one "/" before their names.
    for (const std::string& root : {base, base + "/"}) {
        auto tree = FileItem::createTreeForPath(root, nullptr);
        ASSERT_TRUE(tree);
        std::set<std::string> loaded;
        for (const auto& [relative, item] : nodesBelow(tree)) {
            loaded.insert(relative);
            EXPECT_EQ(item->buildFullPath(), base + "/" + relative);
        }
        EXPECT_EQ(loaded, walked);
    }
}

TEST(FileItemLoad, DepthDecidesHowManyLevelsLoad) {
    std::string base = Sandbox::process().makeFolder("depth");
    makeDirs(base + "/a/b/c");
    writeFile(base + "/a/b/c/file", "x");
    const struct {
        int deep;
        std::string root;
        std::map<std::string, std::string> nodes;
    } cases[] = {
        {0, "D", {}},
        {1, "D/1", {{"a", "D"}}},
        {2, "D/1", {{"a", "D/1"}, {"a/b", "D"}}},
        {-1, "D/1", {{"a", "D/1"}, {"a/b", "D/1"}, {"a/b/c", "D/1"}, {"a/b/c/file", ""}}},
        {-7, "D/1", {{"a", "D/1"}, {"a/b", "D/1"}, {"a/b/c", "D/1"}, {"a/b/c/file", ""}}},
    };
    for (const auto& c : cases) {
        auto tree = FileItem::createTreeForPath(base, c.deep, nullptr);
        ASSERT_TRUE(tree);
        EXPECT_EQ(describe(*tree), c.root) << c.deep;
        std::map<std::string, std::string> nodes;
        for (const auto& [relative, item] : nodesBelow(tree))
            nodes[relative] = describe(*item);
        EXPECT_EQ(nodes, c.nodes) << c.deep;
    }
}

namespace {

// Tests paths only, so the loader has to build the path of every entry.
class PlainSkipList : public SystemSkipList {
public:
    explicit PlainSkipList(std::set<std::string> paths) : m_paths(std::move(paths)) {}
    bool contains(std::string_view path) const override {
        return m_paths.count(std::string(path)) > 0;
    }

private:
    std::set<std::string> m_paths;
};

} // namespace

TEST(FileItemLoad, SkipListLeavesOutExactPathsOnly) {
    std::string base = Sandbox::process().makeFolder("skip");
    for (const char* folder : {"keep/inner", "skipped/inner", "slash", "Skipped"})
        makeDirs(base + "/" + folder);
    std::set<std::string> paths = {base + "/skipped", base + "/slash/", base + "/keep/inner/x",
                                   base + "/keep/inner"};
    MutableSystemSkipList mutableList;
    mutableList.clearContent();
    for (const std::string& path : paths)
        mutableList.addPath(path);
    PlainSkipList plainList(paths);

    for (const SystemSkipList* list : {static_cast<const SystemSkipList*>(&mutableList),
                                       static_cast<const SystemSkipList*>(&plainList)}) {
        auto tree = FileItem::createTreeForPath(base, list);
        ASSERT_TRUE(tree);
        std::set<std::string> loaded;
        for (const auto& [relative, item] : nodesBelow(tree))
            loaded.insert(relative);
        EXPECT_EQ(loaded, (std::set<std::string>{"keep", "slash", "Skipped"}));
        EXPECT_FALSE(FileItem::createTreeForPath(base + "/skipped", list));
        EXPECT_TRUE(FileItem::createTreeForPath(base + "/skipped/inner", list));
        EXPECT_TRUE(FileItem::createTreeForPath(base + "/slash", list));
        EXPECT_FALSE(FileItem::createTreeForPath(base + "/slash/", list));
    }
}

TEST(FileItemLoad, UnreadableFoldersAreEmptyAndUnchanged) {
    std::string base = Sandbox::process().makeFolder("unreadable");
    const std::map<std::string, mode_t> modes = {
        {"none", 0}, {"readOnly", 0444}, {"searchOnly", 0111}};
    for (const auto& [name, mode] : modes) {
        makeDirs(base + "/" + name + "/sub");
        writeFile(base + "/" + name + "/file", "x");
        ASSERT_EQ(chmod((base + "/" + name).c_str(), mode), 0);
    }
    auto before = diskState(base);
    {
        PermissionBitsApply permissions;
        if (!permissions.active())
            GTEST_SKIP() << "permission bits cannot be made to apply";
        auto tree = FileItem::createTreeForPath(base, nullptr);
        ASSERT_TRUE(tree);
        for (const auto& [name, mode] : modes) {
            auto child = tree->getChildrenWithName(name);
            ASSERT_TRUE(child) << name;
            EXPECT_EQ(describe(*child), "D/0") << name;
            auto root = FileItem::createTreeForPath(base + "/" + name, nullptr);
            ASSERT_TRUE(root) << name;
            EXPECT_EQ(describe(*root), "D/0") << name;
            root->updateContentOfDir(nullptr);
            EXPECT_EQ(describe(*root), "D/0") << name;
        }
    }
    EXPECT_EQ(diskState(base), before);
}

namespace {

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

TEST(FileItemLoad, DeepChainStaysWithinDescriptorAndStackLimits) {
    constexpr int kDepth = 2500;
    std::string base = Sandbox::process().makeFolder("chain");
    std::string chain = base;
    for (int level = 0; level < kDepth; ++level)
        chain += "/d";
    ASSERT_TRUE(platform::FileSystem::createDirectory(chain, true));
    ASSERT_GT(chain.size(), static_cast<std::size_t>(PATH_MAX));

    // Room for the walk's own bound and little more, so that a walk that kept every
    // folder open would stop short.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = openDescriptorCount() + 48;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    int depth = 0;
    std::string deepestPath;
    auto listener = std::make_shared<RecordingListener>(base);
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
    });
    setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(deepestPath, chain);
    ASSERT_EQ(listener->events.size(), 1u);
    EXPECT_TRUE(listener->events[0].ends_with("/d/bottom in d"));
    EXPECT_TRUE(platform::FileSystem::removeItem(base + "/d"));
}
