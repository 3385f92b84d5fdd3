#include "FaultTestSupport.h"
#include "platform/MainQueue.h"

#include <ftw.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// What every item below a folder looks like from outside: type, mode, size and content.
inline thread_local std::map<std::string, std::string>* tSnapshot = nullptr;

std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> items;
    tSnapshot = &items;
    nftw(
        root.c_str(),
        [](const char* path, const struct stat* status, int, FTW*) {
            (*tSnapshot)[path] = std::to_string(status->st_mode) + " " +
                                 std::to_string(status->st_size) + " " +
                                 (S_ISREG(status->st_mode) ? readFile(path) : "");
            return 0;
        },
        64, FTW_PHYS);
    tSnapshot = nullptr;
    return items;
}

// A leftover with folders at every depth that cannot be listed (0300), whose entries cannot
// be looked at (0600) or neither (000), and `topMode` itself. Answers its measurable space:
// the files in readable folders, the unreadable one included (a size needs no reading).
std::uint64_t makeLeftover(const std::string& root, mode_t topMode) {
    makeDirs(root + "/open/deeper/closed");
    std::uint64_t readable = 0;
    for (const auto& [name, bytes] : {std::pair{"/top.bin", 3000},
                                      {"/locked.bin", 5000},
                                      {"/open/mid.bin", 9000},
                                      {"/open/deeper/low.bin", 100}}) {
        writeFile(root + name, std::string(bytes, name[1]));
        readable += allocatedSize(root + name);
    }
    writeFile(root + "/open/deeper/closed/hidden.bin", std::string(7000, 'h'));
    const std::pair<const char*, mode_t> denied[] = {
        {"/open/none", 0000}, {"/open/enter-only", 0300}, {"/open/list-only", 0600}};
    for (const auto& [name, mode] : denied) {
        makeDirs(root + name + "/inner");
        writeFile(root + name + "/hidden.bin", std::string(6000, 'h'));
        writeFile(root + name + "/inner/hidden.bin", std::string(6000, 'h'));
    }
    for (const auto& [name, mode] : denied)
        EXPECT_EQ(chmod((root + name).c_str(), mode), 0);
    EXPECT_EQ(chmod((root + "/open/deeper/closed").c_str(), 0300), 0);
    EXPECT_EQ(chmod((root + "/locked.bin").c_str(), 0000), 0);
    EXPECT_EQ(chmod(root.c_str(), topMode), 0);
    return topMode == 0755 ? readable : 0;
}

} // namespace

TEST(PermissionFaults, DeniedFoldersUnderTheWorkerThreadsAreSkippedAndReportedOnce) {
    const std::string base = Sandbox::process().makeFolder("denied");
    std::map<std::string, std::uint64_t> expected;
    constexpr mode_t kTops[] = {0755, 0000, 0300, 0600};
    for (int copy = 0; copy < 16; ++copy) {
        const std::string root = base + "/leftover" + std::to_string(copy);
        expected[root] = makeLeftover(root, kTops[copy % 4]);
    }
    // A file that cannot be read has a size; one in a folder that cannot be entered has none.
    writeFile(base + "/locked-file", std::string(4000, 'f'));
    chmod((base + "/locked-file").c_str(), 0000);
    expected[base + "/locked-file"] = allocatedSize(base + "/locked-file");
    expected[base + "/leftover1/top.bin"] = 0;
    const auto before = snapshot(base);

    // The calculator and its worker threads exist before the denial, as in the helper.
    auto counter = std::make_shared<SizeReports>();
    SimpleSizeCalculation::GetInstance()->addTask(
        std::make_shared<SimpleSizeCalculationTask>(base + "/leftover0/top.bin", counter));
    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return counter->count == 1; }, 60s));
    counter = std::make_shared<SizeReports>();
    {
        PermissionBitsApplyEverywhere permissions;
        ASSERT_TRUE(permissions.active()) << "permission bits could not be made to bind";
        ASSERT_NE(faccessat(AT_FDCWD, (base + "/leftover1").c_str(), R_OK, AT_EACCESS), 0)
            << "the denial is not real";
        // The independent sum: nftw, under the same denial, sees what a walk can see.
        EXPECT_EQ(nftwSum(base + "/leftover0"), expected[base + "/leftover0"]);

        // Twice, so that a second run of the processor meets the same folders.
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_TRUE(permissions.reapply());
            EXPECT_EQ(permissions.threadsPassingOverBits(), std::vector<std::string>{})
                << "before pass " << pass;
            for (const auto& [path, size] : expected)
                SimpleSizeCalculation::GetInstance()->addTask(
                    std::make_shared<SimpleSizeCalculationTask>(path, counter));
            ASSERT_TRUE(platform::MainQueue::shared().runUntil(
                [&] {
                    return counter->count >= expected.size() * (pass + 1) &&
                           !SimpleSizeCalculation::GetInstance()->isWorking();
                },
                60s));
        }
        platform::MainQueue::shared().drain();
        EXPECT_EQ(permissions.threadsPassingOverBits(), std::vector<std::string>{})
            << "after the passes";
    }

    for (const auto& [path, size] : expected)
        EXPECT_EQ(counter->sizes[path], std::vector<std::uint64_t>(2, size)) << path;
    EXPECT_EQ(counter->count, 2 * expected.size());
    EXPECT_EQ(snapshot(base), before) << "modes or files changed";
}
