#include "removal/Uninstaller.h"

#include "removal/RemovalTestSupport.h"
#include "removal/UninstallJournal.h"
#include "support/FileTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

using namespace testing_support;
using removal_test::listing;
using State = Uninstaller::Item::State;

namespace {

std::shared_ptr<PathForRemove> offer(const std::string& path) {
    return PathForRemove::create(path, 8, "com.example.gone");
}

std::vector<std::shared_ptr<PathForRemove>> offers(const std::vector<std::string>& paths) {
    std::vector<std::shared_ptr<PathForRemove>> items;
    for (const std::string& path : paths)
        items.push_back(offer(path));
    return items;
}

// The sandbox's home with an installed application and what a removed one left.
class UninstallerTest : public testing::Test {
protected:
    void SetUp() override {
        home = Sandbox::process().home();
        caches = home + "/Library/Caches";
        makeDirs(caches);
        makeDirs(home + "/Documents");
        writeFile(home + "/Documents/letter.txt", "the user's");
        makeDirs(home + "/Applications/Other.app/Contents");
        makeDirs(home + "/.local/share/Trash/files/Gone.app/Contents");
        installed =
            std::make_shared<InstalledApplications>(std::vector<InstalledApplications::Application>{
                {home + "/Applications/Other.app", "com.example.other", {"Other"}}});
    }

    Uninstaller uninstaller() const {
        return Uninstaller(removal_test::homeLayout(), home, installed);
    }

    std::string home;
    std::string caches;
    std::shared_ptr<const InstalledApplications> installed;
};

} // namespace

// Every path of the message is outside input: only the plain ones inside the home folder
// that are the application's may move, and nothing else is touched.
TEST_F(UninstallerTest, MovesOnlyWhatPassesTheCheck) {
    const std::string folder = caches + "/com.example.gone";
    makeDirs(folder + "/inner");
    writeFile(folder + "/inner/cache.db", "cache");
    makeDirs(home + "/Elsewhere/deep");
    writeFile(home + "/Elsewhere/deep/keep.txt", "keep");
    makeLink(home + "/Elsewhere", caches + "/via-link");
    makeLink("/usr", caches + "/gone-usr-link");
    writeFile(caches + "/gone-\xff\xfe.bin", "bytes");

    struct Case {
        std::string path;
        State state;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"/", State::Refused, "Trash"},
        {home, State::Refused, "Trash"},
        {home + "/Documents", State::Refused, "shared folder"},
        {home + "/.local/share/Trash", State::Refused, "Trash"},
        {home + "/.local/share/Trash/info", State::Refused, "part of a Trash"},
        {home + "/.local/share/Trash/files/Gone.app", State::InTrash, "already in the Trash"},
        {caches + "/../Documents/letter.txt", State::Refused, "not a plain absolute path"},
        {caches + "//com.example.gone", State::Refused, "not a plain absolute path"},
        {"Library/Caches/com.example.gone", State::Refused, "not a plain absolute path"},
        {"/etc/passwd", State::Refused, "outside the home folder"},
        {caches + "/via-link/deep/keep.txt", State::Refused, "symbolic link"},
        {home + "/Applications/Other.app/Contents", State::Refused, "installed application"},
        {caches + "/never-was", State::Gone, "no longer there"},
        {folder, State::ToMove, ""},
        {folder, State::Refused, "listed twice"},
        {caches + "/gone-usr-link", State::ToMove, ""},
        {caches + "/gone-\xff\xfe.bin", State::ToMove, ""},
    };
    std::vector<std::string> paths;
    for (const Case& test : cases)
        paths.push_back(test.path);
    const auto before = listing(home);

    const Uninstaller uninstall = uninstaller();
    const std::vector<Uninstaller::Item> plan = uninstall.plan(offers(paths));
    ASSERT_EQ(plan.size(), cases.size());
    for (std::size_t index = 0; index < cases.size(); ++index) {
        EXPECT_EQ(plan[index].state, cases[index].state) << cases[index].path << plan[index].why;
        EXPECT_NE(plan[index].why.find(cases[index].why), std::string::npos)
            << cases[index].path << ": " << plan[index].why;
    }
    EXPECT_EQ(listing(home), before) << "planning moves nothing";

    const Uninstaller::Report report = uninstall.run(plan);
    ASSERT_EQ(report.failure, "");
    ASSERT_EQ(report.moved.size(), 3u);
    EXPECT_EQ(report.stayed.size(), 12u);
    EXPECT_EQ(report.passed.size(), 2u);
    EXPECT_GE(report.freed, 1u);
    // Exactly the three items left their places; the rest of the home folder, the other
    // application, the user's documents and what the links lead to are as they were.
    auto outsideBookkeeping = [&](std::map<std::string, std::string> items) {
        std::erase_if(items, [&](const auto& entry) {
            const std::string full = home + "/" + entry.first;
            return entry.first.starts_with(".local/share/Trash/") ||
                   entry.first.starts_with("Library/Application Support") ||
                   std::any_of(report.moved.begin(), report.moved.end(), [&](const auto& moved) {
                       return full == moved.original || full.starts_with(moved.original + "/");
                   });
        });
        return items;
    };
    EXPECT_EQ(outsideBookkeeping(listing(home)), outsideBookkeeping(before));

    // Putting back from the journal restores the home folder as it was.
    Uninstaller::Report back = Uninstaller::putBack(report.journal);
    EXPECT_EQ(back.moved.size(), 3u);
    EXPECT_TRUE(back.stayed.empty());
    auto restored = listing(home);
    EXPECT_EQ(restored.count("Library/Caches/com.example.gone/inner/cache.db"), 1u);
    EXPECT_EQ(restored["Library/Caches/gone-usr-link"], "link:/usr");
    EXPECT_EQ(restored["Library/Caches/gone-\xff\xfe.bin"], "file:bytes");
    EXPECT_EQ(Uninstaller::putBack(report.journal).moved.size(), 0u) << "once back, stays back";
}

// What the user leaves unchecked, what changed since the window showed it, and what moved
// with its folder are each reported; a huge message is checked without trouble.
TEST_F(UninstallerTest, ReportsWhatTheFileSystemOrTheUserChanged) {
    const std::string folder = caches + "/com.example.changes";
    makeDirs(folder + "/child");
    writeFile(folder + "/kept.txt", "kept");
    writeFile(folder + "/replaced", "a file");
    writeFile(caches + "/unchecked.txt", "unchecked");
    const Uninstaller uninstall = uninstaller();
    const auto plan = uninstall.plan(
        offers({folder + "/replaced", caches + "/unchecked.txt", folder, folder + "/child"}));
    removeTree(folder + "/replaced");
    makeDirs(folder + "/replaced");

    const Uninstaller::Report report = uninstall.run(plan, {true, false, true, true});
    ASSERT_EQ(report.moved.size(), 1u);
    EXPECT_EQ(report.moved[0].original, folder);
    ASSERT_EQ(report.stayed.size(), 2u);
    EXPECT_EQ(report.stayed[0].why, "changed since it was shown");
    EXPECT_EQ(report.stayed[1].why, "left unchecked");
    ASSERT_EQ(report.passed.size(), 1u);
    EXPECT_EQ(report.passed[0].why, "moved with " + folder);
    EXPECT_EQ(readFile(caches + "/unchecked.txt"), "unchecked");
    EXPECT_EQ(readFile(report.moved[0].filesPath() + "/kept.txt"), "kept");

    std::vector<std::string> many;
    for (int index = 0; index < 100000; ++index)
        many.push_back(index % 2 ? caches + "/missing-" + std::to_string(index)
                                 : "/usr/lib/" + std::to_string(index));
    const auto big = uninstall.plan(offers(many));
    ASSERT_EQ(big.size(), many.size());
    EXPECT_EQ(std::count_if(big.begin(), big.end(),
                            [](const auto& item) { return item.state == State::ToMove; }),
              0);
    const Uninstaller::Report none = uninstall.run(big);
    EXPECT_TRUE(none.moved.empty());
    EXPECT_TRUE(none.journal.empty()) << "no journal for an uninstall that moves nothing";
}

// Two uninstalls of the same message at once: one moves each item, the other finds it
// gone, and nothing is lost or moved twice.
TEST_F(UninstallerTest, TwoUninstallsOfOneMessageShareTheWork) {
    std::vector<std::string> paths;
    for (int index = 0; index < 40; ++index) {
        paths.push_back(caches + "/twice-" + std::to_string(index));
        writeFile(paths.back(), std::to_string(index));
    }
    const Uninstaller uninstall = uninstaller();
    const auto first = uninstall.plan(offers(paths));
    const auto second = uninstall.plan(offers(paths));
    Uninstaller::Report a, b;
    std::thread one([&] { a = uninstall.run(first); });
    std::thread two([&] { b = uninstall.run(second); });
    one.join();
    two.join();
    EXPECT_EQ(a.moved.size() + b.moved.size(), paths.size());
    EXPECT_EQ(a.passed.size() + b.passed.size(), paths.size());
    EXPECT_TRUE(a.stayed.empty() && b.stayed.empty());
    for (const auto& report : {a, b})
        for (const auto& moved : report.moved)
            EXPECT_EQ(readFile(moved.filesPath()),
                      moved.original.substr(moved.original.rfind('-') + 1));
}
