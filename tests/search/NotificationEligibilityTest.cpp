#include "platform/Environment.h"
#include "platform/MainQueue.h"
#include "search/InstalledCopyCheck.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "search/SimpleRemainsInfo.h"
#include "search/SpotlightEasySearch.h"
#include "support/FileTestSupport.h"
#include "support/ThreadTestSupport.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using platform::MainQueue;
using namespace testing_support;
using remains_test::makeAppBundle;

namespace {

// Only a guard against a check that never ends: reading 400 large bundles takes half a
// minute under the address sanitizer on a busy machine.
constexpr auto kWatchdog = std::chrono::seconds(120);

// Runs the check to its end: until no search is running and the main queue has run
// everything the check posted. Answers how often the callback ran.
int runEligibility(const std::string& bundleId) {
    int calls = 0;
    SimpleRemainsInfo::calculateIsCanShowNotificationForBundleWithID(bundleId, [&] { ++calls; });
    EXPECT_TRUE(MainQueue::shared().runUntil(
        [] {
            return InstalledCopyCheck::runningCheckCount() == 0 &&
                   SpotlightEasySearch::runningSearchCount() == 0;
        },
        kWatchdog));
    MainQueue::shared().drain();
    return calls;
}

} // namespace

// A quote ends the query's string early; the index refuses such a query, which counts as
// finding no copy. Without an identifier there is nothing to announce.
TEST(NotificationEligibilityTest, IdentifiersThatBreakTheQueryStillGetAnAnswer) {
    EXPECT_EQ(runEligibility("com.example.' OR kMDItemPath LIKE '*"), 1);
    EXPECT_EQ(runEligibility(""), 0);
}

TEST(SpotlightEasySearchTest, TimeLimitAndGatheringTogetherCallBackOnce) {
    // With no time to wait, the time limit races the scan; whichever ends the search
    // first, the callback runs exactly once and the search is let go.
    for (int round = 0; round < 20; ++round) {
        auto search = SpotlightEasySearch::create();
        search->setMaxWaitTime(0.0);
        int calls = 0;
        search->setResultBlock([&](const auto&, const MetadataQuery&) { ++calls; });
        search->startQuery("kMDItemCFBundleIdentifier == 'com.example.race'",
                           {platform::Environment::rootPath("/Applications")});
        ASSERT_TRUE(MainQueue::shared().runUntil(
            [] { return SpotlightEasySearch::runningSearchCount() == 0; }, kWatchdog));
        MainQueue::shared().drain();
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(search->query().isStopped());
    }
}

// Another copy of the application, where it lies (empty: nowhere) and the link made to it or
// to a folder above it in an applications folder (empty: none), decides whether to notify. A
// user who keeps an application elsewhere and links it, or a folder of applications, into an
// applications folder still has it installed. Links that lead back up, or to nothing, neither
// hang the check nor count as copies.
TEST(NotificationEligibilityTest, InstalledCopiesDecideWhetherToNotifyAlsoBehindLinks) {
    const std::string home = Sandbox::process().home();
    const std::string applications = platform::Environment::rootPath("/Applications");
    const std::string elsewhere = Sandbox::process().makeFolder("elsewhere");
    struct Case {
        const char* what;
        std::string copy;
        std::string link;
        std::string target;
        int calls;
    };
    const Case cases[] = {
        {"no copy", "", "", "", 1},
        {"in the applications folder", applications + "/Elig1.app", "", "", 0},
        {"in the user's applications folder", home + "/Applications/Elig3.app", "", "", 0},
        // Deeper than the installed-application scan goes: only the index finds it.
        {"deep in the applications folder", applications + "/a/b/c/d/Elig4.app", "", "", 0},
        {"on another volume",
         platform::Environment::rootPath("/Volumes/Backup/Applications/Elig5.app"), "", "", 1},
        {"in the Trash", Sandbox::process().trash() + "/Elig6.app", "", "", 1},
        {"inside another bundle", applications + "/Host.app/Contents/Elig8.app", "", "", 1},
        {"the bundle is a link", elsewhere + "/Real.app", applications + "/Linked.app",
         elsewhere + "/Real.app", 0},
        {"a folder above it is a link", elsewhere + "/Suite/Tools/Real.app",
         applications + "/Suite", elsewhere + "/Suite", 0},
        {"the user's folder holds the link", elsewhere + "/Mine/Real.app",
         home + "/Applications/Mine", elsewhere + "/Mine", 0},
        {"a dangling link", "", applications + "/Gone.app", elsewhere + "/Missing.app", 1},
        {"a link back up", "", applications + "/Loop", applications, 1},
        {"a link to itself", "", applications + "/Self", applications + "/Self", 1},
    };
    makeDirs(applications);
    makeDirs(home + "/Applications");
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string id = "com.example.eligibility" + std::to_string(index++);
        if (!c.copy.empty())
            makeAppBundle(c.copy, id, "Elig");
        if (!c.link.empty())
            makeLink(c.target, c.link);
        testing_support::Watchdog watchdog(c.what, std::chrono::seconds(60));
        EXPECT_EQ(runEligibility(id), c.calls);
        if (!c.link.empty())
            ::unlink(c.link.c_str());
        if (!c.copy.empty())
            removeTree(c.copy);
    }
}

// An applications folder that is a link to itself cannot be read; the other one still is.
TEST(NotificationEligibilityTest, AnApplicationsFolderThatIsALinkLoopDoesNotHang) {
    const std::string userApplications = Sandbox::process().home() + "/Applications";
    removeTree(userApplications);
    makeLink(userApplications, userApplications);
    const std::string copy = platform::Environment::rootPath("/Applications/Looped.app");
    testing_support::Watchdog watchdog("link loop", std::chrono::seconds(60));
    EXPECT_EQ(runEligibility("com.example.looped"), 1);
    makeAppBundle(copy, "com.example.looped", "Looped");
    EXPECT_EQ(runEligibility("com.example.looped"), 0);
    removeTree(copy);
    ::unlink(userApplications.c_str());
}

// Many applications with large information dictionaries take long to read. The main
// thread goes on serving its queue meanwhile: a watchdog thread posts to it all along
// the check and no post may wait for a large share of the whole check.
TEST(NotificationEligibilityTest, TheMainThreadIsNeverBlockedBySeekingCopies) {
    const std::string many = platform::Environment::rootPath("/Applications/Many");
    std::string plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                        "<key>CFBundleIdentifier</key><string>com.example.other</string>"
                        "<key>Strings</key><array>";
    for (int line = 0; line < 6000; ++line)
        plist += "<string>localised name " + std::to_string(line) + "</string>";
    plist += "</array></dict></plist>\n";
    const std::string shared = Sandbox::process().makeFolder("plist") + "/Info.plist";
    writeFile(shared, plist);
    for (int app = 0; app < 400; ++app) {
        const std::string contents = many + "/App" + std::to_string(app) + ".app/Contents";
        makeDirs(contents);
        // One file linked 400 times keeps the test's disk use small.
        ASSERT_EQ(::link(shared.c_str(), (contents + "/Info.plist").c_str()), 0);
    }

    std::atomic<bool> checking{true};
    std::atomic<bool> watching{true};
    std::atomic<long long> longestWaitMs{0};
    std::thread watchdog([&] {
        // The last post may come just as the check ends; the main thread serves it below.
        while (checking.load()) {
            const auto posted = std::chrono::steady_clock::now();
            auto served = std::make_shared<testing_support::Flag>();
            MainQueue::shared().async([served] { served->raise(); });
            served->wait(std::chrono::minutes(2));
            const long long waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - posted)
                                         .count();
            longestWaitMs.store(std::max(longestWaitMs.load(), waited));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        watching.store(false);
    });
    const auto started = std::chrono::steady_clock::now();
    const int calls = runEligibility("com.example.notthere");
    const long long totalMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - started)
                                  .count();
    checking.store(false);
    EXPECT_TRUE(
        MainQueue::shared().runUntil([&] { return !watching.load(); }, std::chrono::minutes(2)));
    watchdog.join();
    MainQueue::shared().drain();
    removeTree(many);

    EXPECT_EQ(calls, 1);
    // The check lasts as long as reading the bundles does, on any machine; a main thread
    // that did the reading itself would wait for most of it.
    EXPECT_LT(longestWaitMs.load(), std::max<long long>(totalMs / 4, 250))
        << "the check took " << totalMs << " ms";
}

// A search stopped at its time limit answers with the copies it has found by then.
TEST(SpotlightEasySearchTest, CopiesFoundBeforeTheTimeLimitAreKept) {
    const std::string folder = Sandbox::process().makeFolder("limit");
    makeAppBundle(folder + "/A.app", "com.example.kept", "Kept");
    for (int app = 0; app < 200; ++app)
        makeAppBundle(folder + "/Other" + std::to_string(app) + ".app", "com.example.other",
                      "Other");
    auto search = SpotlightEasySearch::create();
    std::vector<std::string> answered;
    search->setResultBlock([&](const auto&, const MetadataQuery& query) {
        for (const MetadataQuery::Item& item : query.results())
            answered.push_back(item.path.value_or(""));
    });
    search->startQuery("kMDItemCFBundleIdentifier == 'com.example.kept'", {folder});
    // The main queue is not run meanwhile, as when it is busy with other work.
    const auto giveUp = std::chrono::steady_clock::now() + kWatchdog;
    while (search->query().results().empty() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    search->stopQuery();
    MainQueue::shared().drain();
    EXPECT_EQ(answered, std::vector<std::string>{folder + "/A.app"});
    EXPECT_EQ(search->query().results().size(), 1u);
    EXPECT_EQ(SpotlightEasySearch::runningSearchCount(), 0u);
}

// Only the list of running searches keeps a search alive: once the list lets go, as at
// exit during a search, the search goes too, its pending time limit notwithstanding.
TEST(SpotlightEasySearchTest, ASearchLivesNoLongerThanItsPlaceInTheRunningList) {
    const std::string folder = Sandbox::process().makeFolder("running");
    makeAppBundle(folder + "/A.app", "com.example.running", "Running");
    auto search = SpotlightEasySearch::create();
    search->setMaxWaitTime(600);
    search->startQuery("kMDItemCFBundleIdentifier == 'com.example.running'", {folder});
    ASSERT_EQ(SpotlightEasySearch::runningSearchCount(), 1u);
    const std::weak_ptr<SpotlightEasySearch> watched = search;
    SpotlightEasySearch::RemovePointer(search);
    search.reset();
    EXPECT_TRUE(watched.expired()) << "the time limit keeps the search alive";
    MainQueue::shared().drain();
}
