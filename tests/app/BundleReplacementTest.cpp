#include "app/ApplicationBusClient.h"
#include "app/BusTestSupport.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

fs::path builtBundle() {
    return fs::path(helperExecutable()).parent_path().parent_path().parent_path();
}

// Every item below `root` with its size (0 for folders), to tell whether a tree changed.
std::map<std::string, std::uintmax_t> listing(const fs::path& root) {
    std::map<std::string, std::uintmax_t> items;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        bool isFile = entry.is_regular_file() && !entry.is_symlink();
        items[fs::relative(entry.path(), root).string()] = isFile ? entry.file_size() : 0;
    }
    return items;
}

} // namespace

// An update puts a new helper bundle where the running one was, in the two ways an
// installer does it: the old bundle moved out and the new one moved in right after, or
// both swapped in one step and the old one deleted. Either way the running helper must
// notice that its bundle is no longer there and quit as an ordinary quit, giving its bus
// name up and leaving the new bundle and its folders as they were; it does not start the
// new bundle itself (the main application does that after an update).
TEST(BundleReplacement, TheRunningHelperQuitsWhenAnUpdateReplacesItsBundle) {
    struct Case {
        const char* what;
        void (*replace)(const fs::path& installed, const fs::path& update);
    };
    const Case cases[] = {
        {"moved out, then the new one moved in",
         [](const fs::path& installed, const fs::path& update) {
             moveItem(installed.string(), installed.string() + ".old");
             moveItem(update.string(), installed.string());
         }},
        {"swapped in one step, then the old one deleted",
         [](const fs::path& installed, const fs::path& update) {
             ASSERT_EQ(
                 renameat2(AT_FDCWD, update.c_str(), AT_FDCWD, installed.c_str(), RENAME_EXCHANGE),
                 0);
             fs::remove_all(update);
         }},
        // The running executable keeps the deleted folders alive in the kernel, which then
        // never reports the bundle folder itself as deleted; the pause lets the helper look
        // while the emptied bundle is still there, as it may when a package is removed.
        {"removed file by file, deepest first, as a package manager does",
         [](const fs::path& installed, const fs::path&) {
             std::vector<fs::path> items(fs::recursive_directory_iterator(installed), {});
             std::sort(items.rbegin(), items.rend());
             for (const fs::path& item : items)
                 fs::remove(item);
             std::this_thread::sleep_for(std::chrono::milliseconds(500));
             fs::remove(installed);
         }},
    };
    const fs::path built = builtBundle();
    ASSERT_EQ(built.extension(), ".app");
    const auto builtListing = listing(built);
    QDBusConnection bus = PrivateBus::connect("replacement");

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::path installed =
            fs::path(Sandbox::process().makeFolder("installed")) / built.filename();
        fs::path update = fs::path(Sandbox::process().makeFolder("update")) / built.filename();
        fs::copy(built, installed, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        fs::copy(built, update, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        std::string home = Sandbox::process().makeFolder("home");
        auto environment = programEnvironment(home);

        ChildProgram helper((installed / fs::relative(helperExecutable(), built)).string(), {},
                            environment);
        ASSERT_TRUE(waitUntilOwned(bus, kHelper, true, &helper)) << helper.standardError();
        const auto homeListing = listing(home);

        c.replace(installed, update);
        ASSERT_TRUE(helper.waitForExit()) << helper.standardError();
        EXPECT_EQ(helper.exitCode(), 0) << helper.standardError();
        EXPECT_TRUE(waitUntilOwned(bus, kHelper, false));
        if (fs::exists(installed)) {
            EXPECT_EQ(listing(installed), builtListing) << "the new bundle is left as it came";
        }
        EXPECT_EQ(listing(home), homeListing) << "nothing is left behind in the home folder";
    }
    PrivateBus::disconnect("replacement");
}
