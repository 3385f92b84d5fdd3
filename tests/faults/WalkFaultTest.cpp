#include "FaultTestSupport.h"
#include "platform/DirectoryEnumerator.h"
#include "platform/FileSystem.h"
#include "support/FileTestSupport.h"
#include "platform/MainQueue.h"
#include "support/ThreadTestSupport.h"
#include "platform/TreeSize.h"
#include "search/FileItem.h"
#include "search/SimpleSizeCalculation.h"

#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// Every node of a loaded tree, and whether any node that is not a folder has children.
struct TreeCount {
    std::size_t nodes{0};
    bool childrenOutsideFolders{false};
};

TreeCount countTree(const std::shared_ptr<FileItem>& root) {
    TreeCount count;
    std::vector<std::shared_ptr<FileItem>> pending{root};
    while (!pending.empty()) {
        auto item = pending.back();
        pending.pop_back();
        ++count.nodes;
        if (const auto* children = item->getChildren()) {
            if (!item->isDir() && !children->empty())
                count.childrenOutsideFolders = true;
            for (const auto& [name, child] : *children)
                pending.push_back(child);
        }
    }
    return count;
}

// A folder deeper than the walks' descriptor bound, with a file and a side folder at every
// level, so that walks have to leave folders behind and find them again.
constexpr int kChurnDepth = 2 * static_cast<int>(platform::DirectoryEnumerator::kMaxOpenFolders);

void buildChurnFolder(const std::string& top) {
    std::string path = top;
    for (int level = 0; level < kChurnDepth; ++level) {
        makeDirs(path + "/side");
        writeFile(path + "/side/g", "g");
        writeFile(path + "/f", std::string(100, 'f'));
        path += "/d";
    }
}

// Turns each slot below `root` in turn into a deep folder, a folder moved away half-way
// down and removed, a file, a link to `root` (a loop for anything that follows links), a
// link to itself and a folder nobody may read, until `stop` is set.
class Racer {
public:
    Racer(std::string root, std::string aside, int slots)
        : m_root(std::move(root)), m_aside(std::move(aside)), m_slots(slots) {}

    void run(const std::atomic<bool>& stop) {
        for (int round = 0; !stop.load(); ++round) {
            std::string slot = m_root + "/slot" + std::to_string(round % m_slots);
            std::string moved = m_aside + "/moved" + std::to_string(round);
            buildChurnFolder(slot);
            std::string middle = slot;
            for (int level = 0; level < kChurnDepth / 2; ++level)
                middle += "/d";
            std::rename(middle.c_str(), moved.c_str());
            std::rename(slot.c_str(), (moved + "-top").c_str());
            removeTree(moved);
            removeTree(moved + "-top");
            writeFile(slot, "file");
            std::remove(slot.c_str());
            symlink(m_root.c_str(), slot.c_str());
            std::remove(slot.c_str());
            symlink(slot.c_str(), slot.c_str());
            std::remove(slot.c_str());
            mkdir(slot.c_str(), 0000);
            rmdir(slot.c_str());
            m_rounds.fetch_add(1);
        }
    }

    int rounds() const { return m_rounds.load(); }

private:
    std::string m_root;
    std::string m_aside;
    int m_slots;
    std::atomic<int> m_rounds{0};
};

class SizeListener : public SimpleSizeCalculationTaskListener {
public:
    void onSimpleSizeCalculationTaskComplete(
        const std::shared_ptr<SimpleSizeCalculationTask>&) override {
        ++reports;
    }
    int reports{0};
};

} // namespace

// Folders vanish, turn into files and into links that loop back to the walk's own root
// while the tree loader, the size walk and the enumerator go through them. Every walk must
// end, see all of the stable part exactly once, never go through a link and never count
// more than the churning part can hold; nothing of the stable part may be lost.
TEST(WalkFaults, FoldersChangingTypeDuringWalksNeverLoopLoseOrInventItems) {
    constexpr int kSlots = 3;
    constexpr int kStableFiles = 50;
    constexpr int kWalks = 60;
    std::string base = Sandbox::process().makeFolder("racing");
    std::string root = base + "/root";
    std::string aside = base + "/aside";
    makeDirs(root + "/stable");
    makeDirs(aside);
    for (int file = 0; file < kStableFiles; ++file)
        writeFile(root + "/stable/" + std::to_string(file), std::string(file * 100, 's'));
    const std::uint64_t stableSize = nftwSum(root);

    buildChurnFolder(base + "/probe");
    const std::uint64_t slotMostSize = nftwSum(base + "/probe");
    const std::size_t slotMostEntries = kChurnDepth * 4;
    removeTree(base + "/probe");
    // The root, "stable" and its files; then what the slots may add at most.
    const std::size_t stableNodes = 2 + kStableFiles;
    const std::size_t mostNodes = stableNodes + kSlots * slotMostEntries;

    Watchdog watchdog("walks over a churning tree", std::chrono::seconds(120));
    Racer racer(root, aside, kSlots);
    std::atomic<bool> stop{false};
    std::thread churn([&] { racer.run(stop); });
    PermissionBitsApply permissions;
    // On a loaded machine the racer may not have been scheduled yet after the planned
    // walks, so walking goes on until it has changed the tree a few times.
    for (int walk = 0; walk < kWalks || racer.rounds() < 3; ++walk) {
        auto tree = FileItem::createTreeForPath(root, -1, nullptr);
        ASSERT_TRUE(tree);
        TreeCount count = countTree(tree);
        EXPECT_GE(count.nodes, stableNodes);
        EXPECT_LE(count.nodes, mostNodes);
        EXPECT_FALSE(count.childrenOutsideFolders);
        auto stable = tree->getChildrenWithName("stable");
        ASSERT_TRUE(stable && stable->getChildren());
        EXPECT_EQ(stable->getChildren()->size(), static_cast<std::size_t>(kStableFiles));

        std::uint64_t size = SimpleSizeCalculation::sizeOfItemAtPath(root);
        EXPECT_GE(size, stableSize);
        EXPECT_LE(size, stableSize + kSlots * slotMostSize);

        auto enumerator = platform::DirectoryEnumerator::create(root);
        ASSERT_TRUE(enumerator);
        platform::DirectoryEnumerator::Entry entry;
        std::size_t entries = 0;
        std::size_t stableEntries = 0;
        std::set<std::string> seen;
        while (enumerator->next(entry)) {
            ++entries;
            if (entry.path.rfind(root + "/stable", 0) == 0)
                ++stableEntries;
            EXPECT_TRUE(seen.insert(entry.path).second) << "twice: " << entry.path;
            ASSERT_LE(entries, mostNodes) << "the walk went through a link";
        }
        EXPECT_EQ(stableEntries, stableNodes - 1);
    }
    stop.store(true);
    churn.join();

    for (int file = 0; file < kStableFiles; ++file)
        EXPECT_EQ(readFile(root + "/stable/" + std::to_string(file)), std::string(file * 100, 's'));
    EXPECT_EQ(SimpleSizeCalculation::sizeOfItemAtPath(root), stableSize);
    EXPECT_EQ(countTree(FileItem::createTreeForPath(root, -1, nullptr)).nodes, stableNodes);
}

// Ten thousand nested folders, built relative to descriptors since their path is far longer
// than the kernel accepts: every walk reaches the bottom with a bounded number of open
// descriptors, and the size calculation reports through its queue as usual.
TEST(WalkFaults, TenThousandLevelChainIsWalkedToTheBottomByEveryWalk) {
    constexpr int kDepth = 10000;
    std::string base = Sandbox::process().makeFolder("chain");
    // Removing the chain from a disk takes seconds of journal work; a memory file system,
    // when one can be mounted, takes none, and the walks behave the same on both.
    const bool inMemory = mount("tmpfs", base.c_str(), "tmpfs", 0, "size=64m") == 0;
    makeChain(base, kDepth, "leaf", 5000);
    Watchdog watchdog("walks down a 10,000-level chain", std::chrono::seconds(120));
    const std::size_t descriptorsBefore = openDescriptorCount();

    {
        auto tree = FileItem::createTreeForPath(base, -1, nullptr);
        ASSERT_TRUE(tree);
        int depth = 0;
        std::shared_ptr<FileItem> deepest = tree;
        while (auto next = deepest->getChildrenWithName("d")) {
            deepest = next;
            ++depth;
        }
        EXPECT_EQ(depth, kDepth);
        EXPECT_TRUE(deepest->getChildrenWithName("leaf"));
    }

    auto enumerator = platform::DirectoryEnumerator::create(base);
    ASSERT_TRUE(enumerator);
    platform::DirectoryEnumerator::Entry entry;
    int entries = 0;
    int deepestLevel = 0;
    while (enumerator->next(entry)) {
        ++entries;
        deepestLevel = std::max(deepestLevel, entry.level);
    }
    enumerator.reset();
    EXPECT_EQ(entries, kDepth + 1);
    EXPECT_EQ(deepestLevel, kDepth + 1);

    auto listener = std::make_shared<SizeListener>();
    auto task = std::make_shared<SimpleSizeCalculationTask>(base, listener);
    SimpleSizeCalculation::GetInstance()->addTask(task);
    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return listener->reports == 1; },
                                                       std::chrono::seconds(60)));
    // A 5,000-byte file takes two 4 KiB blocks on every file system the tests run on.
    EXPECT_EQ(task->itemSize(), 8192u);
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    if (inMemory) {
        EXPECT_EQ(umount2(base.c_str(), MNT_DETACH), 0);
    } else {
        EXPECT_TRUE(platform::FileSystem::removeItem(base + "/d"));
    }
}

// Links that lead in circles, to each other and to the folder above, are items of their own
// and are never entered.
TEST(WalkFaults, LinkLoopsAreCountedAsLinksAndNeverEntered) {
    std::string base = Sandbox::process().makeFolder("loops");
    makeDirs(base + "/a/b");
    writeFile(base + "/a/b/file", "x");
    makeLink("..", base + "/a/b/up");
    makeLink(base, base + "/a/top");
    makeLink("self", base + "/a/self");
    makeLink("ping", base + "/a/pong");
    makeLink("pong", base + "/a/ping");
    Watchdog watchdog("walks over link loops");

    auto tree = FileItem::createTreeForPath(base, -1, nullptr);
    ASSERT_TRUE(tree);
    // The root, a, b, file and the five links.
    EXPECT_EQ(countTree(tree).nodes, 9u);
    auto a = tree->getChildrenWithName("a");
    ASSERT_TRUE(a);
    for (const char* name : {"top", "self", "ping", "pong"}) {
        auto link = a->getChildrenWithName(name);
        ASSERT_TRUE(link) << name;
        EXPECT_FALSE(link->getChildren() && !link->getChildren()->empty()) << name;
    }
    EXPECT_EQ(SimpleSizeCalculation::sizeOfItemAtPath(base), nftwSum(base));

    auto enumerator = platform::DirectoryEnumerator::create(base);
    ASSERT_TRUE(enumerator);
    platform::DirectoryEnumerator::Entry entry;
    int entries = 0;
    while (enumerator->next(entry))
        ++entries;
    EXPECT_EQ(entries, 8);
}
