#include "search/KnowledgeBaseCache.h"

#include "knowledge/KnowledgeBaseData.h"
#include "platform/DelayedCall.h"
#include "platform/GlobalQueue.h"
#include "platform/MemoryRelease.h"
#include "platform/Mutex.h"
#include "search/KnowledgeBasePathSearcher.h"
#include "shell/PathsGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// One container file as it was when a load tried it.
struct Source {
    std::string path;
    platform::FileStamp stamp;
    bool operator==(const Source&) const = default;
};

std::vector<Source> currentSources(const KnowledgeBasePathSearcher& searcher) {
    using Kind = KnowledgeBasePathSearcher::Source;
    std::vector<Source> sources;
    for (Kind kind : {Kind::downloaded, Kind::embedded}) {
        if (auto path = searcher.pathForSource(kind))
            sources.push_back({*path, platform::FileStamp::of(*path)});
    }
    return sources;
}

std::chrono::milliseconds releaseDelayFromEnvironment() {
    const char* text = std::getenv(KnowledgeBaseCache::kReleaseDelayVariable);
    if (!text || !*text)
        return KnowledgeBaseCache::kReleaseDelay;
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (*end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 86400)
        return KnowledgeBaseCache::kReleaseDelay;
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

} // namespace

struct KnowledgeBaseCache::State : std::enable_shared_from_this<KnowledgeBaseCache::State> {
    explicit State(std::chrono::milliseconds releaseDelay) : delay(releaseDelay) {}

    const std::chrono::milliseconds delay;
    // One lookup or load at a time: searches that start together wait for one load
    // instead of each holding a knowledge base of their own.
    platform::Mutex loading;
    // The fields below; never held while loading or freeing.
    mutable platform::Mutex mutex;
    std::string home GUARDED_BY(mutex);
    // The containers tried for `data`, in order, the last one the one it came from.
    std::vector<Source> sources GUARDED_BY(mutex);
    std::shared_ptr<const KnowledgeBaseData> data GUARDED_BY(mutex);
    Clock::time_point lastUse GUARDED_BY(mutex);
    std::shared_ptr<platform::DelayedCall> timer GUARDED_BY(mutex);
    std::size_t loads GUARDED_BY(mutex){0};

    bool matches(const std::string& currentHome, const std::vector<Source>& current) const
        REQUIRES(mutex) {
        return data && home == currentHome && sources.size() <= current.size() &&
               std::equal(sources.begin(), sources.end(), current.begin());
    }

    void armTimer(std::chrono::milliseconds after) REQUIRES(mutex) {
        timer =
            platform::DelayedCall::after(after, platform::globalQueue(), [weak = weak_from_this()] {
                if (auto state = weak.lock())
                    state->expire();
            });
    }

    // What a search is handed: the kept knowledge base, through a lease that notes when
    // the search let it go, so that the delay counts from the end of the last search.
    std::shared_ptr<const KnowledgeBaseData>
    lease(const std::shared_ptr<const KnowledgeBaseData>& kept) {
        struct Lease {
            std::shared_ptr<const KnowledgeBaseData> data;
            std::weak_ptr<State> state;
            ~Lease() {
                if (auto owner = state.lock()) {
                    platform::MutexLock lock(owner->mutex);
                    owner->lastUse = Clock::now();
                }
            }
        };
        // Made in place: a moved-from temporary would note a use on its way out.
        std::shared_ptr<Lease> held(new Lease{kept, weak_from_this()});
        return std::shared_ptr<const KnowledgeBaseData>(held, kept.get());
    }

    // The caller frees what it answers outside the lock.
    std::shared_ptr<const KnowledgeBaseData> takeData() REQUIRES(mutex) {
        sources.clear();
        home.clear();
        if (timer) {
            timer->cancel();
            timer.reset();
        }
        return std::move(data);
    }

    void expire() EXCLUDES(mutex) {
        {
            platform::MutexLock lock(mutex);
            timer.reset();
            if (!data)
                return;
            const auto idle =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastUse);
            if (idle < delay) {
                armTimer(delay - idle);
                return;
            }
            // A search still uses it; the delay starts again when the search ends.
            if (data.use_count() > 1) {
                armTimer(delay);
                return;
            }
            lock.releaseAfterUnlock(takeData());
        }
        platform::MemoryRelease::returnIdleMemory();
    }
};

KnowledgeBaseCache& KnowledgeBaseCache::shared() {
    // Never destroyed: a search may still be running when the program ends.
    static auto* cache = new KnowledgeBaseCache(releaseDelayFromEnvironment());
    return *cache;
}

KnowledgeBaseCache::KnowledgeBaseCache(std::chrono::milliseconds releaseDelay)
    : m_state(std::make_shared<State>(releaseDelay)) {}

KnowledgeBaseCache::~KnowledgeBaseCache() {
    release();
}

std::shared_ptr<const KnowledgeBaseData>
KnowledgeBaseCache::knowledgeBase(const KnowledgeBasePathSearcher& searcher) {
    State& state = *m_state;
    platform::MutexLock loading(state.loading);
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    const std::vector<Source> current = currentSources(searcher);
    {
        platform::MutexLock lock(state.mutex);
        if (state.matches(home, current)) {
            state.lastUse = Clock::now();
            return state.lease(state.data);
        }
        // Freed before the load, so that the two are never held together (unless a search
        // still uses the stale one).
        lock.releaseAfterUnlock(state.takeData());
    }

    std::vector<Source> tried;
    for (const Source& source : current) {
        tried.push_back(source);
        if (!source.stamp.exists)
            continue;
        std::shared_ptr<const KnowledgeBaseData> loaded =
            KnowledgeBaseData::createWithPath(source.path);
        if (!loaded || !loaded->isParsed())
            continue;
        platform::MutexLock lock(state.mutex);
        ++state.loads;
        state.home = home;
        state.sources = std::move(tried);
        state.data = loaded;
        state.lastUse = Clock::now();
        state.armTimer(state.delay);
        return state.lease(loaded);
    }
    return nullptr;
}

bool KnowledgeBaseCache::holdsKnowledgeBase() const {
    platform::MutexLock lock(m_state->mutex);
    return m_state->data != nullptr;
}

std::size_t KnowledgeBaseCache::loadCount() const {
    platform::MutexLock lock(m_state->mutex);
    return m_state->loads;
}

void KnowledgeBaseCache::release() {
    platform::MutexLock lock(m_state->mutex);
    lock.releaseAfterUnlock(m_state->takeData());
}
