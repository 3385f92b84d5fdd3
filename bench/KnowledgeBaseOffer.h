#pragma once

// One application's whole offer, as the helper makes it from a trashed bundle up to the
// list the panel shows (without the panel): the installed applications the safety pass
// weighs against, the knowledge-base search (loading, rules, records), the standard
// places and the safety pass. The sizes of the offered items are measured afterwards in
// the background and are not part of it (bench/sizes.cpp measures them against `du`).
// Its anchor is `find` over the same folders: the rules' walks, the folders of the
// standard places (each read one level deep) and the applications folders.

#include "KnowledgeBaseFind.h"
#include "platform/Bundle.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "search/InstalledApplications.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/SimpleRemainsInfo.h"
#include "shell/PathForRemove.h"
#include "shell/PathsGenerator.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <time.h>
#include <vector>

namespace bench_support {

class KnowledgeBaseOffer {
public:
    struct Offer {
        std::shared_ptr<SimpleRemainsInfo> remains;
        std::shared_ptr<KnowledgeBaseSimpleSearchInfo> knowledge;
        std::vector<std::shared_ptr<PathForRemove>> items;
    };

    // The offer for `bundle`, in the helper's order: the applications and the search (on
    // the search queue in the helper), then the standard places and the merge of the
    // search's items, each through the safety pass (on the main thread in the helper).
    // Its size tasks start on the way; finish() waits for them.
    static std::optional<Offer> make(const std::shared_ptr<const platform::Bundle>& bundle) {
        Offer offer;
        auto installed = InstalledApplications::scan();
        offer.knowledge = KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle);
        offer.remains = SimpleRemainsInfo::create(bundle, {}, std::move(installed));
        if (!offer.remains)
            return std::nullopt;
        if (offer.knowledge)
            offer.remains->appendKnowledgeBaseInfo(*offer.knowledge);
        offer.remains->addRemoveObjectPathsToArray(offer.items);
        return offer;
    }

    // Lets the size tasks of `offer` end (their reports come on the main queue), so that
    // they do not run into the next offer; false if they take more than ten minutes.
    static bool finish(Offer& offer) {
        const auto remains = offer.remains;
        return platform::MainQueue::shared().runUntil(
            [&] { return remains->pendingSizeCount() == 0; }, std::chrono::minutes(10));
    }

    // The benchmark: the offer for `bundle`, CPU time of this thread. The size tasks it
    // starts run on their own threads and are waited for after the clock stops, as is the
    // release of the offer.
    static void measure(benchmark::State& state,
                        const std::shared_ptr<const platform::Bundle>& bundle) {
        std::size_t offered = 0;
        std::size_t dropped = 0;
        for (auto _ : state) {
            const double start = threadSeconds();
            auto offer = make(bundle);
            state.SetIterationTime(threadSeconds() - start);
            if (!offer || !offer->knowledge) {
                state.SkipWithError("no offer, or no knowledge base in it");
                return;
            }
            offered = offer->items.size();
            dropped = offer->remains->droppedOffers().size();
            if (!finish(*offer)) {
                state.SkipWithError("the sizes did not arrive");
                return;
            }
        }
        state.counters["offered"] = static_cast<double>(offered);
        state.counters["dropped"] = static_cast<double>(dropped);
    }

    // The anchor: the walks of the rules of `xml`, plus every folder of a standard place
    // and every applications folder that exists. The home folder must be set already.
    static FindPlan findPlan(const std::string& xml) {
        FindPlan plan = FindPlan::forKnowledgeBase(xml);
        const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
        std::set<std::string> folders;
        for (const auto& location : SimpleRemainsInfo::standardLocations())
            folders.insert(platform::Path::appending(home, location.subPath));
        for (const std::string& folder : folders)
            plan.addWalk(folder, 1);
        for (const std::string& folder : InstalledApplications::applicationFolders())
            plan.addWalk(folder, InstalledApplications::kMaxDepth + 1);
        return plan;
    }

private:
    static double threadSeconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
};

} // namespace bench_support
