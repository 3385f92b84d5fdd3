#include "FaultTestSupport.h"
#include "platform/DirectoryEnumerator.h"
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "search/FileItem.h"

#include <cstdio>
#include <set>

using namespace testing_support;

namespace {

// The nodes of a loaded tree; a node that is not a folder but has children fails the test.
std::size_t countTree(const std::shared_ptr<FileItem>& item) {
    std::size_t nodes = 1;
    if (const auto* children = item->getChildren()) {
        EXPECT_TRUE(item->isDir() || children->empty()) << item->getNameWithExt();
        for (const auto& [name, child] : *children)
            nodes += countTree(child);
    }
    return nodes;
}

// The entries a fresh enumerator lists below `root`, each checked by `check`; a fatal failure
// in `check` ends the walk.
template <typename Check> std::size_t enumerate(const std::string& root, Check check) {
    auto enumerator = platform::DirectoryEnumerator::create(root);
    EXPECT_TRUE(enumerator);
    std::size_t entries = 0;
    for (platform::DirectoryEnumerator::Entry entry;
         enumerator && !testing::Test::HasFatalFailure() && enumerator->next(entry);)
        check(entry, ++entries);
    return entries;
}

// Deeper than the walks' descriptor bound, with a file and a side folder at every level.
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

} // namespace

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
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    // Turns each slot in turn into a deep folder whose lower half is moved away, a file, a
    // link to the root (a loop for a walk that follows links), a self-link and a closed folder.
    std::thread churn([&] {
        for (int round = 0; !stop.load(); ++round) {
            const std::string slot = root + "/slot" + std::to_string(round % kSlots);
            const std::string moved = aside + "/moved" + std::to_string(round);
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
            symlink(root.c_str(), slot.c_str());
            std::remove(slot.c_str());
            symlink(slot.c_str(), slot.c_str());
            std::remove(slot.c_str());
            mkdir(slot.c_str(), 0000);
            rmdir(slot.c_str());
            rounds.fetch_add(1);
        }
    });
    PermissionBitsApply permissions;
    // On a loaded machine the racer may not have run yet, so walks go on until it has.
    for (int walk = 0; walk < kWalks || rounds.load() < 3; ++walk) {
        auto tree = FileItem::createTreeForPath(root, -1, nullptr);
        ASSERT_TRUE(tree);
        const std::size_t nodes = countTree(tree);
        EXPECT_GE(nodes, stableNodes);
        EXPECT_LE(nodes, mostNodes);
        auto stable = tree->getChildrenWithName("stable");
        ASSERT_TRUE(stable && stable->getChildren());
        EXPECT_EQ(stable->getChildren()->size(), static_cast<std::size_t>(kStableFiles));

        std::uint64_t size = SimpleSizeCalculation::sizeOfItemAtPath(root);
        EXPECT_GE(size, stableSize);
        EXPECT_LE(size, stableSize + kSlots * slotMostSize);

        std::size_t stableEntries = 0;
        std::set<std::string> seen;
        enumerate(root, [&](const auto& entry, std::size_t entries) {
            stableEntries += entry.path.starts_with(root + "/stable") ? 1 : 0;
            EXPECT_TRUE(seen.insert(entry.path).second) << "twice: " << entry.path;
            ASSERT_LE(entries, mostNodes) << "the walk went through a link";
        });
        EXPECT_EQ(stableEntries, stableNodes - 1);
    }
    stop.store(true);
    churn.join();

    for (int file = 0; file < kStableFiles; ++file)
        EXPECT_EQ(readFile(root + "/stable/" + std::to_string(file)), std::string(file * 100, 's'));
    EXPECT_EQ(SimpleSizeCalculation::sizeOfItemAtPath(root), stableSize);
    EXPECT_EQ(countTree(FileItem::createTreeForPath(root, -1, nullptr)), stableNodes);
}

TEST(WalkFaults, TenThousandLevelChainIsWalkedToTheBottomByEveryWalk) {
    constexpr int kDepth = 10000;
    std::string base = Sandbox::process().makeFolder("chain");
    ScopedMemoryFileSystem memory(base, "size=64m");
    makeChain(base, kDepth, "leaf", 5000);
    Watchdog watchdog("walks down a 10,000-level chain", std::chrono::seconds(120));
    const auto descriptorsBefore = openDescriptors();

    {
        std::shared_ptr<FileItem> deepest = FileItem::createTreeForPath(base, -1, nullptr);
        ASSERT_TRUE(deepest);
        int depth = 0;
        for (; auto next = deepest->getChildrenWithName("d"); ++depth)
            deepest = next;
        EXPECT_EQ(depth, kDepth);
        EXPECT_TRUE(deepest->getChildrenWithName("leaf"));
    }

    int deepestLevel = 0;
    EXPECT_EQ(
        enumerate(base, [&](const auto& entry,
                            std::size_t) { deepestLevel = std::max(deepestLevel, entry.level); }),
        kDepth + 1u);
    EXPECT_EQ(deepestLevel, kDepth + 1);

    auto listener = std::make_shared<SizeReports>();
    SimpleSizeCalculation::GetInstance()->addTask(
        std::make_shared<SimpleSizeCalculationTask>(base, listener));
    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return listener->count == 1; },
                                                       std::chrono::seconds(60)));
    // A 5,000-byte file takes two 4 KiB blocks on every file system the tests run on.
    EXPECT_EQ(listener->sizes[base], std::vector<std::uint64_t>{8192u});
    EXPECT_TRUE(descriptorsSettleTo(descriptorsBefore));
    if (!memory.mounted()) {
        EXPECT_TRUE(platform::FileSystem::removeItem(base + "/d"));
    }
}

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
    EXPECT_EQ(countTree(tree), 9u); // the root, a, b, file and the five links
    auto a = tree->getChildrenWithName("a");
    ASSERT_TRUE(a);
    for (const char* name : {"top", "self", "ping", "pong"}) {
        auto link = a->getChildrenWithName(name);
        ASSERT_TRUE(link) << name;
        EXPECT_FALSE(link->getChildren() && !link->getChildren()->empty()) << name;
    }
    EXPECT_EQ(SimpleSizeCalculation::sizeOfItemAtPath(base), nftwSum(base));
    EXPECT_EQ(enumerate(base, [](const auto&, std::size_t) {}), 8u);
}
