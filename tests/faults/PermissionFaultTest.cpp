#include "FaultTestSupport.h"
#include "support/FileTestSupport.h"
#include "platform/MainQueue.h"
#include "search/SimpleSizeCalculation.h"

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <vector>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class ReportCounter : public SimpleSizeCalculationTaskListener {
public:
    void onSimpleSizeCalculationTaskComplete(
        const std::shared_ptr<SimpleSizeCalculationTask>& task) override {
        reports[task->itemPath()].push_back(task->itemSize());
        ++count;
    }
    std::map<std::string, std::vector<std::uint64_t>> reports;
    std::size_t count{0};
};

// What every item below a folder looks like from outside: type, mode, size and content.
inline thread_local std::map<std::string, std::string>* tSnapshot = nullptr;

std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> items;
    tSnapshot = &items;
    nftw(
        root.c_str(),
        [](const char* path, const struct stat* status, int, FTW*) {
            std::string& item = (*tSnapshot)[path];
            item = std::to_string(status->st_mode) + " " + std::to_string(status->st_size);
            if (S_ISREG(status->st_mode))
                item += " " + readFile(path);
            return 0;
        },
        64, FTW_PHYS);
    tSnapshot = nullptr;
    return items;
}

// A leftover folder with a readable part and, at every depth, folders that cannot be
// listed (0300), whose entries cannot be looked at (0600) or neither (000); the folder
// itself gets `topMode`. Answers the space of what can be measured when the folder itself
// is readable: the files in readable folders, the unreadable file among them included,
// since its size needs no reading.
std::uint64_t makeLeftover(const std::string& root, mode_t topMode) {
    makeDirs(root + "/open/deeper/closed");
    writeFile(root + "/top.bin", std::string(3000, 't'));
    writeFile(root + "/locked.bin", std::string(5000, 'l'));
    writeFile(root + "/open/mid.bin", std::string(9000, 'm'));
    writeFile(root + "/open/deeper/low.bin", std::string(100, 'd'));
    writeFile(root + "/open/deeper/closed/hidden.bin", std::string(7000, 'h'));
    const std::pair<const char*, mode_t> denied[] = {
        {"/open/none", 0000}, {"/open/enter-only", 0300}, {"/open/list-only", 0600}};
    for (const auto& [name, mode] : denied) {
        makeDirs(root + name + "/inner");
        writeFile(root + name + "/hidden.bin", std::string(6000, 'h'));
        writeFile(root + name + "/inner/hidden.bin", std::string(6000, 'h'));
    }
    std::uint64_t readable =
        allocatedSize(root + "/top.bin") + allocatedSize(root + "/locked.bin") +
        allocatedSize(root + "/open/mid.bin") + allocatedSize(root + "/open/deeper/low.bin");
    for (const auto& [name, mode] : denied)
        EXPECT_EQ(chmod((root + name).c_str(), mode), 0);
    EXPECT_EQ(chmod((root + "/open/deeper/closed").c_str(), 0300), 0);
    EXPECT_EQ(chmod((root + "/locked.bin").c_str(), 0000), 0);
    EXPECT_EQ(chmod(root.c_str(), topMode), 0);
    return topMode == 0755 ? readable : 0;
}

} // namespace

// Leftovers that are denied to the helper at several depths, the top included, measured
// by the calculator's worker threads many at a time: each task ends and is reported once
// with exactly the space of its readable part, and nothing on disk changes.
TEST(PermissionFaults, DeniedFoldersUnderTheWorkerThreadsAreSkippedAndReportedOnce) {
    const std::string base = Sandbox::process().makeFolder("denied");
    std::map<std::string, std::uint64_t> expected;
    int copy = 0;
    for (int round = 0; round < 4; ++round) {
        for (mode_t top : {0755, 0000, 0300, 0600}) {
            std::string root = base + "/leftover" + std::to_string(copy++);
            expected[root] = makeLeftover(root, top);
        }
    }
    // A file that cannot be read still has a size; one inside a folder that cannot be
    // entered cannot be looked at and measures as missing.
    writeFile(base + "/locked-file", std::string(4000, 'f'));
    chmod((base + "/locked-file").c_str(), 0000);
    expected[base + "/locked-file"] = allocatedSize(base + "/locked-file");
    expected[base + "/leftover1/top.bin"] = 0;
    const auto before = snapshot(base);

    // The calculator and its worker threads exist before the denial, as in the helper.
    auto counter = std::make_shared<ReportCounter>();
    SimpleSizeCalculation::GetInstance()->addTask(
        std::make_shared<SimpleSizeCalculationTask>(base + "/leftover0/top.bin", counter));
    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return counter->count == 1; }, 60s));
    counter->reports.clear();
    counter->count = 0;
    {
        PermissionBitsApplyEverywhere permissions;
        ASSERT_TRUE(permissions.active()) << "permission bits could not be made to bind";
        ASSERT_NE(faccessat(AT_FDCWD, (base + "/leftover1").c_str(), R_OK, AT_EACCESS), 0)
            << "the denial is not real";
        // The independent sum: nftw, under the same denial, sees what a walk can see.
        EXPECT_EQ(nftwSum(base + "/leftover0"), expected[base + "/leftover0"]);

        // Twice, so that a second run of the processor meets the same folders.
        for (int pass = 0; pass < 2; ++pass) {
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
    }

    for (const auto& [path, size] : expected)
        EXPECT_EQ(counter->reports[path], std::vector<std::uint64_t>(2, size)) << path;
    EXPECT_EQ(counter->count, 2 * expected.size());
    EXPECT_EQ(snapshot(base), before) << "modes or files changed";
}
