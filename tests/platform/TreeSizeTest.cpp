#include "platform/TreeSize.h"

#include "FileTestSupport.h"
#include "platform/FileSystem.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using platform::TreeSize;
using namespace testing_support;

namespace {

void makeSparseFile(const std::string& path) {
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(ftruncate(file, 64 << 20), 0);
    ASSERT_EQ(pwrite(file, "x", 1, 32 << 20), 1);
    close(file);
}

// Lowers the descriptor limit so that a walk holding more than its bound open fails.
class DescriptorLimit {
public:
    explicit DescriptorLimit(std::size_t spare) {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        int highest = 0;
        for (int descriptor = 0; descriptor < 4096; ++descriptor)
            if (fcntl(descriptor, F_GETFD) != -1)
                highest = descriptor;
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(highest) + 1 + spare;
        m_active = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active{false};
};

} // namespace

TEST(TreeSize, MatchesAnIndependentSumOverEveryKindOfItem) {
    std::string base = Sandbox::process().makeFolder("mixed");
    std::string root = base + "/root";
    makeDirs(root + "/.hidden/inner");
    makeDirs(root + "/Foo.app/Contents/MacOS");
    makeDirs(root + "/empty");
    makeDirs(base + "/outside");
    writeFile(base + "/outside/big", std::string(200000, 'o'));
    int index = 0;
    for (std::size_t length : {0, 1, 4095, 4096, 5000, 100000})
        writeFile(root + "/file" + std::to_string(index++), std::string(length, 'x'));
    writeFile(root + "/.hidden/inner/line\nbreak", std::string(9000, 'h'));
    writeFile(root + "/.hidden/\xff\xfe not utf-8", std::string(3000, 'n'));
    writeFile(root + "/Foo.app/Contents/MacOS/Foo", std::string(70000, 'b'));
    makeSparseFile(root + "/sparse");
    ASSERT_EQ(link((root + "/file5").c_str(), (root + "/Foo.app/hardlink").c_str()), 0);
    makeLink(base + "/outside", root + "/toOutside");
    makeLink(base + "/outside/big", root + "/toBig");
    makeLink(std::string(300, 'L'), root + "/longTarget");
    makeLink("missing", root + "/dangling");
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
    // More names than one listing call returns.
    makeDirs(root + "/crowd");
    for (int item = 0; item < 3000; ++item)
        writeFile(root + "/crowd/" + std::string(100, 'c') + std::to_string(item),
                  item % 7 == 0 ? "data" : "");

    std::uint64_t expected = nftwSum(root);
    ASSERT_GT(expected, 400000u);
    EXPECT_EQ(TreeSize::allocatedSizeBelow(root), expected);
    // A sparse file counts its written blocks only; each hard link counts.
    EXPECT_LT(allocatedSize(root + "/sparse"), 1u << 20);
    EXPECT_GT(allocatedSize(root + "/longTarget"), 0u);

    makeLink(root, base + "/rootLink");
    const std::pair<std::string, std::uint64_t> roots[] = {
        {root + "/", expected},
        {root + "//", expected},
        {base + "/rootLink", expected}, // the folder itself may be reached through a link
        {root + "/crowd", nftwSum(root + "/crowd")},
        {root + "/empty", 0},
        {root + "/file5", 0},
        {root + "/toOutside", allocatedSize(base + "/outside/big")},
        {base + "/missing", 0},
        {"", 0},
    };
    for (const auto& [path, size] : roots)
        EXPECT_EQ(TreeSize::allocatedSizeBelow(path), size) << path;
}

// Deeper than the descriptor bound and than PATH_MAX, with side folders that the walk
// must come back to after going down, under a descriptor limit that an unbounded walk
// would run into.
TEST(TreeSize, DeepChainKeepsDescriptorsBounded) {
    constexpr int kDepth = 10000;
    std::string root = Sandbox::process().makeFolder("chain");
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    std::uint64_t expected = 0;
    for (int level = 1; level <= kDepth; ++level) {
        if (level % 97 == 0) {
            int file = openat(folder, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(file, 0);
            ASSERT_EQ(write(file, std::string(level % 5000 + 1, 'x').data(), level % 5000 + 1),
                      level % 5000 + 1);
            struct stat status {};
            ASSERT_EQ(fstat(file, &status), 0);
            expected += static_cast<std::uint64_t>(status.st_blocks) * 512u;
            close(file);
        }
        if (level % 50 == 0) {
            // Names that differ from level to level, so that many of them are listed
            // after "d" and are still to visit when the walk comes back up.
            std::string side = "s" + std::to_string(level);
            ASSERT_EQ(mkdirat(folder, side.c_str(), 0755), 0);
            int sideFolder = openat(folder, side.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            int file = openat(sideFolder, "g", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_EQ(write(file, "side", 4), 4);
            struct stat status {};
            ASSERT_EQ(fstat(file, &status), 0);
            expected += static_cast<std::uint64_t>(status.st_blocks) * 512u;
            close(file);
            close(sideFolder);
        }
        ASSERT_EQ(mkdirat(folder, "d", 0755), 0);
        int next = openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        ASSERT_GE(next, 0);
        folder = next;
    }
    close(folder);
    ASSERT_GT(expected, 0u);

    std::size_t before = openDescriptorCount();
    std::uint64_t measured = 0;
    {
        DescriptorLimit limit(TreeSize::kMaxOpenFolders + 8);
        ASSERT_TRUE(limit.active());
        measured = TreeSize::allocatedSizeBelow(root);
    }
    EXPECT_EQ(measured, expected);
    EXPECT_EQ(openDescriptorCount(), before);
    EXPECT_TRUE(platform::FileSystem::removeItem(root + "/d"));
}

TEST(TreeSize, LeavesOutWhatCannotBeRead) {
    std::string root = Sandbox::process().makeFolder("unreadable");
    struct Locked {
        const char* name;
        mode_t mode;
    };
    // No permissions; names readable but items not reachable; enterable but not listable.
    const Locked locked[] = {{"closed", 0}, {"listOnly", 0444}, {"enterOnly", 0111}};
    for (const Locked& folder : locked) {
        makeDirs(root + "/" + folder.name + "/inner");
        writeFile(root + "/" + folder.name + "/file", std::string(5000, 'x'));
        writeFile(root + "/" + folder.name + "/inner/file", std::string(5000, 'x'));
    }
    makeDirs(root + "/open/inner");
    writeFile(root + "/open/inner/file", std::string(7000, 'y'));
    // A file's own permissions do not matter: its size is read from its folder.
    writeFile(root + "/open/private", std::string(3000, 'z'));
    ASSERT_EQ(chmod((root + "/open/private").c_str(), 0), 0);

    std::uint64_t expected = nftwSum(root);
    for (const Locked& folder : locked)
        expected -= nftwSum(root + "/" + folder.name);
    ASSERT_GT(expected, 0u);
    for (const Locked& folder : locked)
        ASSERT_EQ(chmod((root + "/" + folder.name).c_str(), folder.mode), 0);

    std::uint64_t measured = 0;
    {
        PermissionBitsApply permissions;
        if (!permissions.active())
            GTEST_SKIP() << "permission bits do not bind this process";
        measured = TreeSize::allocatedSizeBelow(root);
        EXPECT_EQ(TreeSize::allocatedSizeBelow(root + "/closed"), 0u);
    }
    EXPECT_EQ(measured, expected);
    for (const Locked& folder : locked)
        chmod((root + "/" + folder.name).c_str(), 0755);
}

// Folders are removed, and moved out of the tree, while it is walked: every walk must
// still end, count the part that stays exactly once and count nothing twice.
TEST(TreeSize, SurvivesFoldersVanishingDuringTheWalk) {
    std::string base = Sandbox::process().makeFolder("vanishing");
    std::string root = base + "/root";
    makeDirs(root + "/stable/a/b");
    for (int item = 0; item < 200; ++item)
        writeFile(root + "/stable/a/b/" + std::to_string(item), std::string(item * 10, 's'));
    std::uint64_t stable = nftwSum(root);

    // A chain deeper than the descriptor bound, each level with a file and a side
    // folder, built and torn down over and over.
    constexpr int kDepth = 2 * static_cast<int>(TreeSize::kMaxOpenFolders);
    auto build = [&](const std::string& top) {
        std::string path = top;
        for (int level = 0; level < kDepth; ++level) {
            makeDirs(path + "/side" + std::to_string(level));
            writeFile(path + "/side" + std::to_string(level) + "/g", "g");
            writeFile(path + "/f", "f");
            path += "/d";
        }
    };
    build(base + "/probe");
    const std::uint64_t churnMost = nftwSum(base + "/probe");
    removeTree(base + "/probe");
    ASSERT_GT(churnMost, 0u);

    std::atomic<bool> done{false};
    std::thread churn([&] {
        for (int round = 0; !done.load(); ++round) {
            std::string top = root + "/churn";
            build(top);
            if (round % 2 == 0) {
                std::string middle = top;
                for (int level = 0; level < kDepth / 2; ++level)
                    middle += "/d";
                std::rename(middle.c_str(), (base + "/moved").c_str());
                removeTree(base + "/moved");
            }
            removeTree(top);
        }
    });
    for (int walk = 0; walk < 300; ++walk) {
        std::uint64_t measured = TreeSize::allocatedSizeBelow(root);
        EXPECT_GE(measured, stable);
        EXPECT_LE(measured, stable + churnMost);
    }
    done.store(true);
    churn.join();
    EXPECT_EQ(TreeSize::allocatedSizeBelow(root), stable);
}
