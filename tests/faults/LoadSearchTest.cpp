#include "../../bench/SyntheticWorld.h"
#include "FaultTestSupport.h"
#include "platform/MainQueue.h"
#include "search/KnowledgeBaseSearchQueue.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <malloc.h>

using namespace bench_support;
using namespace kb_test;
using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// A knowledge base the size of a real one (10 MB, 100,000 records); a fifth under sanitizers.
constexpr WorldScale kScale = kUnderThreadSanitizer || !kResidentSetIsMeaningful
                                  ? WorldScale{1000, 20000, 100, 0}
                                  : WorldScale{5000, 100000, 300, 0};
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

// The highest growth of the resident set in KiB while `work` runs, from a trimmed heap.
template <typename Work> std::uint64_t peakGrowth(Work work) {
    malloc_trim(0);
    const std::uint64_t before = residentKiB();
    resetPeakResident();
    work();
    const std::uint64_t peak = peakResidentKiB();
    return peak > before ? peak - before : 0;
}

} // namespace

TEST(LoadSearch, TwentyApplicationsSearchedAtOnceEachGetTheirOwnResultOnce) {
    SyntheticWorld world(kScale);
    const std::string home = Sandbox::process().home();
    std::vector<std::shared_ptr<const platform::Bundle>> bundles;
    std::map<std::string, int> names;
    for (const WorldApp& app : world.apps())
        ++names[app.name];
    for (int index : world.vendorRuleApps(2 * kApps)) {
        const WorldApp& app = world.apps()[static_cast<std::size_t>(index)];
        // A shared name gives leftovers to the other's records too, which blurs the count.
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

    // One search holds a knowledge base and its trees (some 50 MiB); two at a time and the
    // results on their way fit in three, as many as the global queue's threads (4) would not.
    static_assert(KnowledgeBaseSearchQueue::kMaxRunningSearches == 2);
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(atOnceGrowth, 3 * aloneGrowth + 16 * 1024)
            << aloneGrowth << " KiB one at a time, " << atOnceGrowth << " KiB at once";
    }
}
