#include "../../bench/SyntheticWorld.h"
#include "FaultTestSupport.h"
#include "platform/MainQueue.h"
#include "support/ThreadTestSupport.h"
#include "search/KnowledgeBaseSearchQueue.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <map>

using namespace bench_support;
using namespace kb_test;
using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// A knowledge base the size of a real one: some 10 MB of document and 100,000 records; a fifth
// of that under the sanitizers, which make every load several times slower.
constexpr bool kSanitized = kUnderThreadSanitizer || !kResidentSetIsMeaningful;
constexpr WorldScale kScale =
    kSanitized ? WorldScale{1000, 20000, 100, 0} : WorldScale{5000, 100000, 300, 0};
constexpr std::size_t kApps = 20;

// Every standard leftover of the application in the home folder, files where the knowledge
// base names a file and folders with a file inside otherwise.
void makeLeftovers(const std::string& home, const WorldApp& app) {
    for (int kind = 0; kind < kLeftoverKinds; ++kind) {
        const std::string path = home + "/" + leftoverPath(static_cast<LeftoverKind>(kind), app);
        if (path.ends_with(".plist") || path.ends_with(".binarycookies"))
            remains_test::putFile(path, "leftover");
        else
            remains_test::putFile(path + "/data", "leftover");
    }
}

// The growth of the resident set in KiB at its highest while `work` runs. Memory the allocator
// keeps from earlier work is handed back first, so that it does not hide the growth.
template <typename Work> std::uint64_t peakGrowth(Work work) {
    malloc_trim(0);
    const std::uint64_t before = residentKiB();
    resetPeakResident();
    work();
    const std::uint64_t peak = peakResidentKiB();
    return peak > before ? peak - before : 0;
}

} // namespace

// Twenty applications with leftovers that rules and records of a full-size knowledge base
// name reach the Trash together, and their searches all start at once the way the panel starts
// them. Each result is the one a search of that application alone finds, each arrives once,
// and since only a few searches load their knowledge base at a time, memory does not grow
// with the number of applications.
TEST(LoadSearch, TwentyApplicationsSearchedAtOnceEachGetTheirOwnResultOnce) {
    SyntheticWorld world(kScale);
    const std::string home = Sandbox::process().home();
    std::vector<std::shared_ptr<const platform::Bundle>> bundles;
    std::map<std::string, int> names;
    for (const WorldApp& app : world.apps())
        ++names[app.name];
    for (int index : world.vendorRuleApps(2 * kApps)) {
        const WorldApp& app = world.apps()[static_cast<std::size_t>(index)];
        // An application whose name another one shares loses leftovers named after it to the
        // other's records, which is right but would blur what this test counts.
        if (names[app.name] > 1 || bundles.size() == kApps)
            continue;
        makeLeftovers(home, app);
        bundles.push_back(makeApp(app.name + ".app", app.bundleId, app.name));
        ASSERT_TRUE(bundles.back());
    }
    ASSERT_EQ(bundles.size(), kApps);
    DownloadedContainer container(pack(world.knowledgeBase()));
    Watchdog watchdog("twenty knowledge-base searches", 600s);

    std::vector<std::vector<std::string>> alone;
    const std::uint64_t aloneGrowth = peakGrowth([&] {
        for (const auto& bundle : bundles) {
            auto info = KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle);
            ASSERT_NE(info, nullptr);
            alone.push_back(sorted(found(*info, home)));
            EXPECT_GE(alone.back().size(), static_cast<std::size_t>(kLeftoverKinds))
                << bundle->bundlePath();
        }
    });
    ASSERT_FALSE(HasFatalFailure());

    std::map<std::string, std::vector<std::vector<std::string>>> delivered;
    const std::uint64_t atOnceGrowth = peakGrowth([&] {
        for (const auto& bundle : bundles) {
            KnowledgeBaseSearchQueue::shared().async(
                [bundle] { return KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle); },
                [&, path = bundle->bundlePath()](
                    std::shared_ptr<KnowledgeBaseSimpleSearchInfo> result) {
                    EXPECT_TRUE(platform::MainQueue::shared().isCurrentThread());
                    EXPECT_TRUE(result && !result->data()) << path;
                    delivered[path].push_back(result ? sorted(found(*result, home))
                                                     : std::vector<std::string>{"(none)"});
                });
        }
        ASSERT_TRUE(platform::MainQueue::shared().runUntil(
            [&] { return delivered.size() == kApps; }, 540s));
    });
    ASSERT_FALSE(HasFatalFailure());
    // A second delivery would have been queued behind the last first one.
    platform::MainQueue::shared().runUntil([] { return false; }, 200ms);
    for (std::size_t app = 0; app < bundles.size(); ++app) {
        EXPECT_EQ(delivered[bundles[app]->bundlePath()],
                  std::vector<std::vector<std::string>>{alone[app]})
            << bundles[app]->bundlePath();
    }
    EXPECT_LE(KnowledgeBaseSearchQueue::shared().mostRunningAtOnce(),
              KnowledgeBaseSearchQueue::kMaxRunningSearches);

    // One search at a time grows the resident set by one knowledge base and its trees (some
    // 50 MiB here). Two searches run at a time, so the searches at once may hold two of them
    // and the results on their way to the main queue; as many searches as the global queue has
    // threads (at least 4) would exceed this.
    static_assert(KnowledgeBaseSearchQueue::kMaxRunningSearches == 2);
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(atOnceGrowth, 3 * aloneGrowth + 16 * 1024)
            << aloneGrowth << " KiB one at a time, " << atOnceGrowth << " KiB at once";
    }
}
