#pragma once

#include "platform/FileStamp.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class KnowledgeBaseData;
class KnowledgeBasePathSearcher;

// Keeps the last loaded knowledge base between searches, while the container files it
// came from are unchanged, and lets it go once no search has asked for it for a while.
//
// Loading takes about as long as the search's own walks; applications often reach the
// Trash several at a time. The knowledge base is shared read-only by the searches that
// ask for it at the same time: nothing a search does changes it (the search keeps its
// own record of which records it has met, and a rule's walk keeps its state in the
// walk).
//
// A cached knowledge base is used only while every container file tried to get it
// (the downloaded copy, and the embedded one when the downloaded did not open) has the
// same stamp (device, inode, size, modification and status-change time) and the home
// folder it was expanded against is the same; otherwise the next search loads again,
// and a container that no longer opens gives no knowledge base, as it would without
// the cache. The first search after a change pays for the load.
//
// Release: one single-shot timer is armed while a knowledge base is kept. When it
// fires, no search holds the knowledge base and the last one let it go kReleaseDelay
// ago or more, the knowledge base is released on the background queue and the helper's
// idle memory is given back to the system (platform::MemoryRelease); otherwise the
// timer is armed again for the rest of the delay. An idle helper holds no knowledge
// base and runs no timer.
class KnowledgeBaseCache {
public:
    static constexpr std::chrono::seconds kReleaseDelay{30};
    // Overrides kReleaseDelay of the shared cache, in seconds (fractions allowed), for
    // tests of the whole program.
    static constexpr const char* kReleaseDelayVariable = "SWEEPWISE_KB_RELEASE_SECONDS";

    // The cache the helper's searches use.
    static KnowledgeBaseCache& shared();

    explicit KnowledgeBaseCache(std::chrono::milliseconds releaseDelay = kReleaseDelay);
    ~KnowledgeBaseCache();
    KnowledgeBaseCache(const KnowledgeBaseCache&) = delete;
    KnowledgeBaseCache& operator=(const KnowledgeBaseCache&) = delete;

    // The knowledge base of the first container `searcher` names that opens and parses,
    // downloaded before embedded; the kept one when its files are unchanged. Null when
    // none opens. Safe to call from several threads at once: one loads, the others wait
    // for it and share its result.
    std::shared_ptr<const KnowledgeBaseData>
    knowledgeBase(const KnowledgeBasePathSearcher& searcher);

    // Whether a knowledge base is kept now.
    bool holdsKnowledgeBase() const;
    // How many knowledge bases have been loaded so far (a kept one asked for again is
    // not loaded).
    std::size_t loadCount() const;
    // Lets the kept knowledge base go now; it is freed once the searches using it end.
    void release();

private:
    struct State;

    std::shared_ptr<State> m_state;
};
