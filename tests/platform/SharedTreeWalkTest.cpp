#include "platform/SharedTreeWalk.h"

#include "platform/TreeSize.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"
#include "support/ThreadTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

using platform::SharedTreeWalk;
using platform::TreeSize;
using namespace testing_support;

namespace {

// A measurement of `path` that starts `helpers` threads joining the walk as soon as it
// asks for help, the way idle calculator workers do.
class SplitMeasurement {
public:
    std::uint64_t run(const std::string& path, int helpers) {
        std::uint64_t total = TreeSize::allocatedSizeOfItem(
            path, &linked, [&](const std::shared_ptr<SharedTreeWalk>& walk) {
                std::lock_guard lock(m_lock);
                shared = walk;
                for (int helper = 0; helper < helpers; ++helper)
                    m_threads.emplace_back([walk] { walk->join(); });
            });
        std::lock_guard lock(m_lock);
        for (std::thread& thread : m_threads)
            thread.join();
        return total;
    }

    TreeSize::LinkedFiles linked;
    std::shared_ptr<SharedTreeWalk> shared;

private:
    std::mutex m_lock;
    std::vector<std::thread> m_threads;
};

std::vector<std::tuple<dev_t, ino_t, std::uint64_t>> sorted(const TreeSize::LinkedFiles& files) {
    std::vector<std::tuple<dev_t, ino_t, std::uint64_t>> result;
    for (const auto& file : files)
        result.emplace_back(file.device, file.inode, file.bytes);
    std::sort(result.begin(), result.end());
    return result;
}

void hardLink(const std::string& existing, const std::string& name) {
    ASSERT_EQ(link(existing.c_str(), name.c_str()), 0) << name;
}

// Wide (hundreds of sibling folders), deep (beyond the descriptor bound, with a side
// folder to come back to at every level), and files whose names are spread over folders
// that different walkers take, one of them also named outside the tree.
std::string buildMixedTree(const std::string& base) {
    std::string root = base + "/root";
    makeDirs(base + "/outside");
    writeFile(base + "/outside/big", std::string(300000, 'o'));
    writeFile(base + "/outside/named-twice", std::string(50000, 'n'));
    for (int folder = 0; folder < 300; ++folder) {
        std::string wide = root + "/wide/w" + std::to_string(folder);
        makeDirs(wide + "/x");
        writeFile(wide + "/a", std::string(folder * 37 % 9000, 'a'));
        writeFile(wide + "/x/b", folder % 3 == 0 ? std::string(5000, 'b') : "");
    }
    std::string chain = root + "/deep";
    for (std::size_t level = 0; level < 2 * TreeSize::kMaxOpenFolders + 8; ++level) {
        makeDirs(chain + "/side");
        writeFile(chain + "/side/g", std::string(level * 100, 'g'));
        chain += "/d";
    }
    makeDirs(chain);
    writeFile(root + "/wide/w5/x/shared", std::string(70000, 's'));
    for (const char* name : {"/wide/w17/x/s2", "/wide/w150/s3", "/wide/w299/x/s4", "/deep/d/d/s5"})
        hardLink(root + "/wide/w5/x/shared", root + name);
    hardLink(chain + "/../side/g", root + "/wide/w0/g-from-the-bottom");
    hardLink(base + "/outside/named-twice", root + "/wide/w200/x/in");
    makeLink(base + "/outside", root + "/wide/w9/toOutside");
    return root;
}

} // namespace

// Whoever walks which part, the result is what one walker counts: each file with several
// names once, links as links, nothing from outside; and no descriptor is left open.
TEST(SharedTreeWalk, SplitWalkCountsExactlyWhatOneWalkerCounts) {
    std::string root = buildMixedTree(Sandbox::process().makeFolder("split"));
    TreeSize::LinkedFiles linkedAlone;
    const std::uint64_t alone = TreeSize::allocatedSizeOfItem(root, &linkedAlone);
    ASSERT_EQ(alone, nftwSum(root));
    ASSERT_EQ(linkedAlone.size(), 3u);
    const auto descriptors = openDescriptors();

    Watchdog watchdog("split walks", std::chrono::seconds(120));
    std::size_t handedOver = 0;
    // Which thread gets which part depends on scheduling: walk until parts did change
    // hands, a few times over.
    for (int round = 0; round < 40 && (round < 8 || handedOver == 0); ++round) {
        SplitMeasurement split;
        EXPECT_EQ(split.run(root, 1 + round % 3), alone) << "round " << round;
        EXPECT_EQ(sorted(split.linked), sorted(linkedAlone)) << "round " << round;
        ASSERT_TRUE(split.shared) << "a tree of 400 folders is large enough to share";
        handedOver += split.shared->foldersHandedOver();
    }
    EXPECT_GT(handedOver, 0u) << "no walk was ever split";
    EXPECT_EQ(openDescriptors(), descriptors);
}

// Helpers that come late (after the end) return at once, and a walk never joined closes
// the folder it was given.
TEST(SharedTreeWalk, LateHelpersAndUnjoinedWalksAreHarmless) {
    std::string root = buildMixedTree(Sandbox::process().makeFolder("late"));
    const auto descriptors = openDescriptors();
    std::shared_ptr<SharedTreeWalk> kept;
    std::uint64_t total = TreeSize::allocatedSizeOfItem(
        root, nullptr, [&](const std::shared_ptr<SharedTreeWalk>& walk) { kept = walk; });
    ASSERT_TRUE(kept);
    kept->join();
    EXPECT_EQ(kept->total(), total);
    EXPECT_EQ(total, nftwSum(root));
    kept.reset();

    SharedTreeWalk::create(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), {});
    EXPECT_EQ(SharedTreeWalk::create(-1, {}), nullptr);
    EXPECT_EQ(openDescriptors(), descriptors);
}

// Folders renamed away, replaced by links to a large folder outside, and deep chains cut
// in the middle while several threads walk the tree: the stable part is always counted in
// full, and nothing outside the tree ever is.
TEST(SharedTreeWalk, TreeChangingDuringSplitWalksIsNeverOverOrUnderCounted) {
    constexpr int kSlots = 3;
    std::string base = Sandbox::process().makeFolder("churn");
    std::string root = buildMixedTree(base);
    const std::uint64_t stableSize = nftwSum(root);
    // Far more than everything the slots can hold: counting it would show at once.
    writeFile(base + "/outside/huge", std::string(4 << 20, 'h'));
    auto fillSlot = [](const std::string& slot) {
        std::string path = slot;
        for (std::size_t level = 0; level < TreeSize::kMaxOpenFolders + 4; ++level) {
            for (int side = 0; side < 3; ++side)
                makeDirs(path + "/side" + std::to_string(side));
            writeFile(path + "/side0/f", std::string(1000, 'f'));
            path += "/d";
        }
    };
    fillSlot(base + "/probe");
    const std::uint64_t slotMostSize = nftwSum(base + "/probe");
    removeTree(base + "/probe");
    ASSERT_LT(kSlots * slotMostSize, allocatedSize(base + "/outside/huge"));

    Watchdog watchdog("split walks over a churning tree", std::chrono::seconds(180));
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread churn([&] {
        for (int round = 0; !stop.load(); ++round) {
            const std::string slot = root + "/wide/w" + std::to_string(round % kSlots) + "/slot";
            const std::string aside = base + "/aside" + std::to_string(round);
            fillSlot(slot);
            std::string middle = slot + "/d/d/d/d";
            std::rename(middle.c_str(), aside.c_str());
            std::rename(slot.c_str(), (aside + "-top").c_str());
            symlink((base + "/outside").c_str(), slot.c_str());
            std::remove(slot.c_str());
            removeTree(aside);
            removeTree(aside + "-top");
            rounds.fetch_add(1);
        }
    });
    for (int walk = 0; walk < 20 || rounds.load() < 3; ++walk) {
        SplitMeasurement split;
        std::uint64_t size = split.run(root, 3);
        EXPECT_GE(size, stableSize);
        EXPECT_LE(size, stableSize + kSlots * slotMostSize);
    }
    stop.store(true);
    churn.join();
    SplitMeasurement split;
    EXPECT_EQ(split.run(root, 3), stableSize);
}
