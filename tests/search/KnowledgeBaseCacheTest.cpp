#include "search/KnowledgeBaseCache.h"

#include "knowledge/KnowledgeBaseData.h"
#include "platform/FileSystem.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <barrier>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace kb_test;
using remains_test::putFile;
using testing_support::Sandbox;

namespace {

using namespace std::chrono_literals;

// A knowledge base that files `leftover` (a name in `folder`) under com.example.cached.
std::string knowledgeBaseListing(const std::string& folder, const std::string& leftover) {
    const std::string home = Sandbox::process().home();
    return "<base><domains><d vId=\"bi:com.example.cached\"><g v=\"caches\"><f>~" +
           folder.substr(home.size()) + "/" + leftover + "</f></g></d></domains></base>";
}

// The embedded container of the main application around `helper`.
std::string embeddedContainer(const std::string& helper) {
    return helper.substr(0, helper.find("/Contents/Library/")) + "/Contents/Resources/auth.cer";
}

void replaceFile(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(platform::FileSystem::writeFileAtomically(path, bytes)) << path;
}

// Waits, as long as a loaded machine may need, for `condition`.
template <class Condition> bool eventually(Condition condition) {
    for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms)) {
        if (condition())
            return true;
    }
    return condition();
}

TEST(KnowledgeBaseCache, KeepsTheKnowledgeBaseUntilAContainerFileChanges) {
    const std::string folder = libraryFolder("cached");
    for (const char* name : {"first", "second", "downloaded"})
        putFile(folder + "/" + name, "leftover");
    const std::string helper = makeMainApplication(pack(knowledgeBaseListing(folder, "first")));
    const std::string container = embeddedContainer(helper);
    const KnowledgeBasePathSearcher searcher(helper);
    const auto app = makeApp("Cached.app", "com.example.cached", "Cached");
    KnowledgeBaseCache cache(1h);

    auto search = [&] {
        return KnowledgeBaseSimpleSearchInfo::generateForBundle(app, searcher, &cache);
    };
    // What a search finds in `folder`; "(none)" without a knowledge base.
    auto finds = [&] {
        auto result = search();
        return result ? found(*result, folder) : std::vector<std::string>{"(none)"};
    };
    auto first = search();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(found(*first, folder), std::vector<std::string>{"first 8"});
    // Unchanged: the same knowledge base, not loaded again.
    auto again = search();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->data(), first->data());
    EXPECT_EQ(found(*again, folder), std::vector<std::string>{"first 8"});
    EXPECT_EQ(cache.loadCount(), 1u);

    // Touched: loaded again.
    std::filesystem::last_write_time(container, std::filesystem::last_write_time(container) + 10s);
    auto touched = search();
    ASSERT_NE(touched, nullptr);
    EXPECT_NE(touched->data(), first->data());
    EXPECT_EQ(cache.loadCount(), 2u);

    // Replaced by another container: its knowledge base answers.
    replaceFile(container, pack(knowledgeBaseListing(folder, "second")));
    EXPECT_EQ(finds(), std::vector<std::string>{"second 8"});

    // A downloaded copy that appears comes first, and once it is gone the embedded
    // copy answers again. One that cannot be opened, or holds no knowledge base, is passed
    // over for the embedded copy.
    {
        DownloadedContainer downloaded(pack(knowledgeBaseListing(folder, "downloaded")));
        EXPECT_EQ(finds(), std::vector<std::string>{"downloaded 8"});
    }
    EXPECT_EQ(finds(), std::vector<std::string>{"second 8"});
    for (const std::string& unusable : {std::string("not a container"), pack("<other/>")}) {
        DownloadedContainer downloaded(unusable);
        EXPECT_EQ(finds(), std::vector<std::string>{"second 8"});
    }

    // Damaged, or gone: no knowledge base, and none kept.
    std::string damaged = pack(knowledgeBaseListing(folder, "second"));
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x5a);
    replaceFile(container, damaged);
    EXPECT_EQ(search(), nullptr);
    EXPECT_FALSE(cache.holdsKnowledgeBase());
    std::filesystem::remove(container);
    EXPECT_EQ(search(), nullptr);

    replaceFile(container, pack(knowledgeBaseListing(folder, "first")));
    EXPECT_EQ(finds(), std::vector<std::string>{"first 8"});
}

TEST(KnowledgeBaseCache, LetsTheKnowledgeBaseGoAfterTheDelayOnceNoSearchHoldsIt) {
    const std::string folder = libraryFolder("released");
    putFile(folder + "/first", "leftover");
    const std::string helper = makeMainApplication(pack(knowledgeBaseListing(folder, "first")));
    const auto app = makeApp("Cached.app", "com.example.cached", "Cached");
    const auto delay = 50ms;
    KnowledgeBaseCache cache(delay);

    auto result = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        app, KnowledgeBasePathSearcher(helper), &cache);
    ASSERT_NE(result, nullptr);
    // A search that still holds it keeps it in the cache, however often the timer looks.
    std::this_thread::sleep_for(delay * 4);
    EXPECT_TRUE(cache.holdsKnowledgeBase());

    result.reset();
    EXPECT_TRUE(eventually([&] { return !cache.holdsKnowledgeBase(); }));
    // The next search loads it again.
    EXPECT_NE(KnowledgeBaseSimpleSearchInfo::generateForBundle(
                  app, KnowledgeBasePathSearcher(helper), &cache),
              nullptr);
    EXPECT_EQ(cache.loadCount(), 2u);
}

// Searches for different applications at once over the same folders with one shared
// knowledge base: each must find its own leftovers, by rule and by record, and nothing
// of the others'. Rule walks long enough to overlap.
TEST(SharedKnowledgeBase, SearchesAtOnceEachFindTheirOwn) {
    constexpr int kApps = 6;
    const std::string folder = libraryFolder("shared");
    const std::string relative = "~" + folder.substr(Sandbox::process().home().size());
    for (int i = 0; i < 3000; ++i)
        putFile(folder + "/filler-" + std::to_string(i), "");
    std::string domains;
    std::vector<std::shared_ptr<const platform::Bundle>> apps;
    std::vector<std::vector<std::string>> expected;
    for (int i = 0; i < kApps; ++i) {
        const std::string id = "com.example.shared" + std::to_string(i);
        putFile(folder + "/" + id + ".cache", "by rule");
        putFile(folder + "/recorded-" + std::to_string(i), "by record");
        domains += "<d vId=\"bi:" + id + "\"><g v=\"logs\"><f>" + relative + "/recorded-" +
                   std::to_string(i) + "</f></g></d>";
        apps.push_back(makeApp("Shared" + std::to_string(i) + ".app", id, "Shared"));
        expected.push_back({id + ".cache 8", "recorded-" + std::to_string(i) + " 11"});
    }
    const std::string helper =
        makeMainApplication(pack("<base><rules><rule path=\"" + relative +
                                 "\" deep=\"1\"><f group=\"caches\"/></rule></rules><domains>" +
                                 domains + "</domains></base>"));
    const KnowledgeBasePathSearcher searcher(helper);
    KnowledgeBaseCache cache(1h);

    for (int round = 0; round < 3; ++round) {
        std::vector<std::shared_ptr<KnowledgeBaseSimpleSearchInfo>> results(kApps);
        std::barrier start(kApps);
        std::vector<std::thread> searches;
        for (int i = 0; i < kApps; ++i) {
            searches.emplace_back([&, i] {
                start.arrive_and_wait();
                results[i] =
                    KnowledgeBaseSimpleSearchInfo::generateForBundle(apps[i], searcher, &cache);
            });
        }
        for (std::thread& search : searches)
            search.join();
        for (int i = 0; i < kApps; ++i) {
            ASSERT_NE(results[i], nullptr);
            EXPECT_EQ(results[i]->data(), results[0]->data()) << "one knowledge base for all";
            EXPECT_EQ(sorted(found(*results[i], folder)), expected[i])
                << "round " << round << ", application " << i;
        }
    }
    EXPECT_EQ(cache.loadCount(), 1u);
}

} // namespace
