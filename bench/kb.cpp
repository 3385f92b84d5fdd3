// The knowledge base at full size: loading a 100,000-record knowledge base from its
// container against pugixml parsing the same XML, and the search for one removed
// application over a 200,000-entry home folder against `find` walking the folders the
// rules name. The world (bench/SyntheticWorld.h, bench/SyntheticHome.h) is generated
// once under $TMPDIR and kept between runs. Figures are CPU time, which other work on
// a shared machine disturbs far less than wall-clock time.
//
//   bench_kb --generate DIR   writes the world to DIR (home/ and kb.xml) and exits.
// Peak memory is measured in fresh processes: this program started again with
// --probe-search=HOME BUNDLE (one search), --probe-load=CONTAINER (one load),
// --probe-pipeline=CONTAINER (the format's least work), --probe-idle
// (nothing, the baseline of a load) or --probe-find FIND-ARGUMENTS (one `find`).
// The kb.search-shipped row times the same search with the knowledge base the build
// ships (its rules and records) instead of the synthetic one, against `find` over the
// folders the shipped rules walk. kb.load-100k.vs-pipeline holds loading against the
// least work the container format itself allows (bench/ContainerPipelineAnchor.h), and
// kb.offer-shipped times one application's whole offer with the shipped knowledge base
// (bench/KnowledgeBaseOffer.h).
#include "ContainerPipelineAnchor.h"
#include "KnowledgeBaseFind.h"
#include "KnowledgeBaseOffer.h"
#include "RunBenchmarks.h"
#include "SelfProbe.h"
#include "SyntheticHome.h"
#include "ThreadFaults.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KnowledgeBaseData.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/MemoryRelease.h"
#include "search/DepFileItem.h"
#include "search/KnowledgeBaseCache.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kSeed = 20261205;

struct World {
    std::string folder;
    std::string home;
    std::string xml;
    std::string container;
    std::string trashedTarget;
    std::set<std::string> expected; // full paths of the target's leftovers
};

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return bench_support::cpuSeconds(usage);
}

// Writes the world into `folder` unless a finished one is there already.
bool ensureWorld(const bench_support::SyntheticWorld& world, World& out) {
    out.home = out.folder + "/home";
    out.container =
        out.home + "/" + std::string(bench_support::SyntheticHome::kMainAppFolder) + "/auth.cer";
    out.trashedTarget = bench_support::SyntheticHome::trashedTarget(world, out.home);
    out.xml = world.knowledgeBase();
    for (const std::string& path : world.targetLeftovers())
        out.expected.insert(out.home + "/" + path);
    const std::string marker = out.folder + "/complete";
    // A world kept from a run with another generator has another knowledge base.
    if (access(marker.c_str(), F_OK) == 0 &&
        platform::FileSystem::readFile(out.folder + "/kb.xml", out.xml.size() + 1) == out.xml)
        return true;
    platform::FileSystem::removeItem(out.folder);
    platform::FileSystem::createDirectory(out.folder, true);
    auto container = DataCompressor::compressData(
        {reinterpret_cast<const std::uint8_t*>(out.xml.data()), out.xml.size()});
    if (!container || !bench_support::SyntheticHome::build(world, out.home, container->bytes()))
        return false;
    return platform::FileSystem::writeFileAtomically(out.folder + "/kb.xml", out.xml) &&
           platform::FileSystem::writeFileAtomically(marker, "");
}

// The container must load with exactly the world's counts, or the figures would be of
// a different knowledge base.
bool checkCounts(const bench_support::SyntheticWorld& world, const World& files) {
    auto data = KnowledgeBaseData::createWithPath(files.container);
    std::size_t records = 0;
    for (const auto& [name, head] : data->recordsByFileNames()) {
        for (auto record = head; record; record = record->nextRecord())
            ++records;
    }
    const auto& scale = world.scale();
    return data->isParsed() && records == static_cast<std::size_t>(scale.records) &&
           data->searchRules().size() == static_cast<std::size_t>(scale.rules);
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The helper loads a knowledge base once per burst of searches, and its cache hands
// the freed heap back to the system when it lets the model go; every load therefore
// starts from a heap that holds none of the previous load's pages, and pays for
// getting them back from the system. A loop of loads would otherwise measure a heap
// still warm from the iteration before, which the helper never meets. Every load
// benchmark here, ours and the anchors alike, starts each iteration this way, untimed.
void startLikeTheHelper() {
    platform::MemoryRelease::returnFreedMemory();
}

// Benchmark A: the container file to a loaded KnowledgeBaseData.
void loadOurs(benchmark::State& state, const World* world) {
    std::size_t names = 0;
    long faults = 0;
    for (auto _ : state) {
        startLikeTheHelper();
        const long faultsBefore = bench_support::threadMinorFaults();
        double start = threadSeconds();
        auto data = KnowledgeBaseData::createWithPath(world->container);
        state.SetIterationTime(threadSeconds() - start);
        faults += bench_support::threadMinorFaults() - faultsBefore;
        if (!data->isParsed()) {
            state.SkipWithError("the knowledge base did not load");
            return;
        }
        names = data->recordsByFileNames().size();
    }
    state.counters["file_names"] = static_cast<double>(names);
    state.counters["xml_bytes"] = static_cast<double>(world->xml.size());
    state.counters["minor_faults"] =
        benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
}

void loadAnchor(benchmark::State& state, const World* world) {
    for (auto _ : state) {
        pugi::xml_document document;
        startLikeTheHelper();
        double start = threadSeconds();
        auto result = document.load_buffer(world->xml.data(), world->xml.size(),
                                           pugi::parse_default, pugi::encoding_utf8);
        state.SetIterationTime(threadSeconds() - start);
        if (!result) {
            state.SkipWithError("pugixml did not parse the document");
            return;
        }
    }
}

// The anchor of kb.load-100k.vs-pipeline (bench/ContainerPipelineAnchor.h).
void loadPipelineAnchor(benchmark::State& state, const World* world) {
    bench_support::ContainerPipelineAnchor::measure(state, world->container);
}

// The same path as KnowledgeBaseData::createWithPath taken step by step, each step
// timed: reading the file, the five container stages, the XML parse, the model.
void loadStages(benchmark::State& state, const World* world) {
    enum { Read, Unscramble1, Unpack1, Decrypt, Unscramble2, Unpack2, Parse, Model, Steps };
    static constexpr const char* kNames[Steps] = {"read_ms",      "1_unscramble_ms", "2_unpack_ms",
                                                  "3_decrypt_ms", "4_unscramble_ms", "5_unpack_ms",
                                                  "parse_ms",     "model_ms"};
    double total[Steps] = {};
    for (auto _ : state) {
        startLikeTheHelper();
        double start = threadSeconds();
        double mark = start;
        auto lap = [&](int step) {
            double now = threadSeconds();
            total[step] += now - mark;
            mark = now;
        };
        auto failed = [&](const char* what) {
            state.SkipWithError(what);
            return true;
        };
        auto file = platform::FileSystem::readFile(world->container, std::size_t(64) << 20);
        lap(Read);
        if (!file && failed("the container cannot be read"))
            return;
        auto outer = DataDecompressor::unshakeZipData(bytesOf(*file));
        lap(Unscramble1);
        if (!outer && failed("stage 1 gave nothing"))
            return;
        auto encrypted = DataDecompressor::unzippedData(outer->bytes());
        lap(Unpack1);
        if (!encrypted && failed("stage 2 gave nothing"))
            return;
        auto inner = DataDecompressor::decodeData(encrypted->bytes());
        lap(Decrypt);
        if (!inner && failed("stage 3 gave nothing"))
            return;
        auto innerZip = DataDecompressor::unshakeZipData(inner->bytes());
        lap(Unscramble2);
        if (!innerZip && failed("stage 4 gave nothing"))
            return;
        auto xml = DataDecompressor::unzippedData(innerZip->bytes());
        lap(Unpack2);
        if (!xml && failed("stage 5 gave nothing"))
            return;
        // As a load does: the reader takes the plaintext over, and the limits are counted.
        auto document = KnowledgeBaseData::openDocument(std::move(*xml)).document;
        lap(Parse);
        if (!document && failed("the document does not parse"))
            return;
        auto data = KnowledgeBaseData::createWithDocument(*document);
        lap(Model);
        state.SetIterationTime(mark - start);
    }
    for (int step = 0; step < Steps; ++step)
        state.counters[kNames[step]] =
            1e3 * total[step] / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}

// One search for `bundle`, its process time reported as the iteration's; none after
// marking the row failed.
auto timedSearch(benchmark::State& state, const std::shared_ptr<platform::Bundle>& bundle) {
    double start = processSeconds();
    auto result = KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle);
    state.SetIterationTime(processSeconds() - start);
    if (!result)
        state.SkipWithError("the search answered none");
    return result;
}

// Benchmark B: the whole search for the removed target. The helper keeps the loaded
// knowledge base between searches (KnowledgeBaseCache), so after the first repetition
// the search finds it loaded; `cold` lets it go before every repetition, as for the
// first search after the helper started or after it was idle for the release delay. The
// result is released after the clock stops, as the helper releases it on the background
// queue once the result is on its way.
void searchOurs(benchmark::State& state, const World* world, bool cold) {
    auto bundle = platform::Bundle::create(world->trashedTarget);
    std::size_t found = 0;
    std::size_t missing = 0;
    for (auto _ : state) {
        if (cold) {
            KnowledgeBaseCache::shared().release();
            startLikeTheHelper();
        }
        auto result = timedSearch(state, bundle);
        if (!result)
            return;
        std::set<std::string> paths;
        for (const auto& item : result->relatedDepItems())
            paths.insert(item->getPath());
        found = paths.size();
        missing = 0;
        for (const std::string& path : world->expected)
            missing += paths.count(path) == 0;
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["expected_missing"] = static_cast<double>(missing);
}

// The shipped container stands in the downloaded container's place while the row runs.
class ShippedContainerInPlace {
public:
    explicit ShippedContainerInPlace(const World& world) : m_path(world.container) {
        std::rename(m_path.c_str(), (m_path + ".synthetic").c_str());
        auto shipped = platform::FileSystem::readFile(SWEEPWISE_SHIPPED_CONTAINER, 64u << 20);
        m_ready = shipped && platform::FileSystem::writeFileAtomically(m_path, *shipped);
    }
    ~ShippedContainerInPlace() { std::rename((m_path + ".synthetic").c_str(), m_path.c_str()); }
    ShippedContainerInPlace(const ShippedContainerInPlace&) = delete;
    ShippedContainerInPlace& operator=(const ShippedContainerInPlace&) = delete;
    bool ready() const { return m_ready; }

private:
    std::string m_path;
    bool m_ready{false};
};

// The search for the world's removed application with the shipped knowledge base.
void searchShipped(benchmark::State& state, const World* world) {
    ShippedContainerInPlace shipped(*world);
    if (!shipped.ready()) {
        state.SkipWithError("no shipped container");
        return;
    }
    auto bundle = platform::Bundle::create(world->trashedTarget);
    std::size_t found = 0;
    for (auto _ : state) {
        auto result = timedSearch(state, bundle);
        if (!result)
            return;
        found = result->relatedDepItems().size();
    }
    state.counters["found"] = static_cast<double>(found);
}

// The shipped document, for the anchor's plan; empty when the build made none.
std::string shippedDocument() {
    auto container = platform::FileSystem::readFile(SWEEPWISE_SHIPPED_CONTAINER, 64u << 20);
    if (!container)
        return {};
    auto xml = DataDecompressor::decompressData(bytesOf(*container));
    return xml ? std::string(xml->view()) : std::string();
}

void searchAnchor(benchmark::State& state, const bench_support::FindPlan* plan) {
    for (auto _ : state) {
        auto run = plan->run();
        if (!run) {
            state.SkipWithError("find failed");
            return;
        }
        state.SetIterationTime(run->cpuSeconds);
    }
    state.counters["walks"] = static_cast<double>(plan->walks());
    state.counters["processes"] = static_cast<double>(plan->processes());
}

// kb.offer-shipped: one application's whole offer with the shipped knowledge base
// (bench/KnowledgeBaseOffer.h).
void offerShipped(benchmark::State& state, const World* world) {
    ShippedContainerInPlace shipped(*world);
    if (!shipped.ready()) {
        state.SkipWithError("no shipped container");
        return;
    }
    bench_support::KnowledgeBaseOffer::measure(state,
                                               platform::Bundle::create(world->trashedTarget));
}

// Runs in a fresh process: one search for the application at `bundle`, then its peak
// resident size. The parent names the application, so that the world's description,
// which the helper never holds, does not count here.
int probeSearch(const std::string& bundle) {
    auto result =
        KnowledgeBaseSimpleSearchInfo::generateForBundle(platform::Bundle::create(bundle));
    std::printf("%ld\n", bench_support::peakOfThisProgram());
    return result ? 0 : 1;
}

// Runs in a fresh process: one load of the container, then its peak resident size.
int probeLoad(const std::string& container) {
    auto data = KnowledgeBaseData::createWithPath(container);
    std::printf("%ld\n", bench_support::peakOfThisProgram());
    return data->isParsed() ? 0 : 1;
}

// Runs in a fresh process: the least work of the container format (the anchor of
// kb.load-100k.vs-pipeline: decryption, inflation, pugixml's least parse, no model), then
// its peak resident size. What any reader of the format holds at least.
int probePipeline(const std::string& container) {
    auto file = platform::FileSystem::readFile(container, KnowledgeBaseLimits::kMaxContainerBytes);
    auto xml = file ? bench_support::ContainerPipelineAnchor::open(
                          {reinterpret_cast<const std::uint8_t*>(file->data()), file->size()})
                    : std::nullopt;
    file.reset();
    pugi::xml_document document;
    const bool parsed = xml && bench_support::ContainerPipelineAnchor::parse(*xml, document);
    std::printf("%ld\n", bench_support::peakOfThisProgram());
    return parsed ? 0 : 1;
}

// Runs in a fresh process: nothing, then its peak resident size, which is what every
// probe pays before its work starts.
int probeIdle() {
    std::printf("%ld\n", bench_support::peakOfThisProgram());
    return 0;
}

// Runs in a fresh, still small process: one `find`, then the kernel's peak resident
// size of it, which counts this process's few megabytes at the start as well.
int probeFind(int argc, char** argv) {
    auto run = bench_support::FindPlan::runCommand(std::vector<std::string>(argv, argv + argc));
    std::printf("%ld\n", run ? run->peakResidentBytes : -1L);
    return run ? 0 : 1;
}

void peakOurs(benchmark::State& state, const World* world) {
    long bytes = -1;
    long loading = -1;
    long pipeline = -1;
    for (auto _ : state) {
        bytes = bench_support::probe({"--probe-search=" + world->home, world->trashedTarget});
        loading = bench_support::probe({"--probe-load=" + world->container});
        pipeline = bench_support::probe({"--probe-pipeline=" + world->container});
        if (bytes <= 0 || loading <= 0 || pipeline <= 0) {
            state.SkipWithError("the search answered none in the probe");
            return;
        }
    }
    state.counters["figure:bytes"] = static_cast<double>(bytes);
    state.counters["load_only_bytes"] = static_cast<double>(loading);
    // The format's own floor, for the profile of the peak.
    state.counters["format_least_bytes"] = static_cast<double>(pipeline);
}

// The peak memory of one load of the container per megabyte of the document inside: the
// growth of a fresh process's resident set over an idle one's, divided by the document's
// size. The anchor is the document itself (one megabyte per megabyte), so the ratio is the
// multiple of the document that a load holds at its peak.
void loadPeakOurs(benchmark::State& state, const World* world) {
    double perMegabyte = -1;
    for (auto _ : state) {
        long idle = bench_support::probe({"--probe-idle"});
        long loading = bench_support::probe({"--probe-load=" + world->container});
        if (idle <= 0 || loading <= 0) {
            state.SkipWithError("the knowledge base did not load in the probe");
            return;
        }
        perMegabyte = static_cast<double>(loading - idle) /
                      (static_cast<double>(world->xml.size()) / (1024.0 * 1024.0));
    }
    state.counters["figure:bytes_per_MiB"] = perMegabyte;
    state.counters["xml_bytes"] = static_cast<double>(world->xml.size());
}

void loadPeakAnchor(benchmark::State& state) {
    for (auto _ : state) {
    }
    state.counters["figure:bytes_per_MiB"] = 1024.0 * 1024.0;
}

void peakAnchor(benchmark::State& state, const bench_support::FindPlan* plan) {
    long peak = -1;
    for (auto _ : state) {
        for (auto& command : plan->commands()) {
            command.insert(command.begin(), "--probe-find");
            long bytes = bench_support::probe(command);
            if (bytes <= 0) {
                state.SkipWithError("find failed");
                return;
            }
            peak = std::max(peak, bytes);
        }
    }
    state.counters["figure:bytes"] = static_cast<double>(peak);
}

} // namespace

int main(int argc, char** argv) {
    const std::string generate = "--generate";
    const std::string search = "--probe-search=";
    const std::string load = "--probe-load=";
    const std::string pipeline = "--probe-pipeline=";
    if (argc == 2 && std::strncmp(argv[1], pipeline.c_str(), pipeline.size()) == 0)
        return probePipeline(argv[1] + pipeline.size());
    if (argc == 2 && std::strncmp(argv[1], load.c_str(), load.size()) == 0)
        return probeLoad(argv[1] + load.size());
    if (argc == 2 && std::strcmp(argv[1], "--probe-idle") == 0)
        return probeIdle();
    if (argc > 2 && std::strcmp(argv[1], "--probe-find") == 0)
        return probeFind(argc - 2, argv + 2);
    if (argc == 3 && std::strncmp(argv[1], search.c_str(), search.size()) == 0) {
        setenv("SWEEPWISE_HOME", argv[1] + search.size(), 1);
        return probeSearch(argv[2]);
    }
    bench_support::SyntheticWorld world({}, kSeed);
    static World files;
    if (argc == 3 && argv[1] == generate) {
        files.folder = argv[2];
    } else {
        files.folder = platform::FileSystem::temporaryDirectory() + "/sweepwise-bench-kb-" +
                       std::to_string(kSeed);
    }
    if (!ensureWorld(world, files)) {
        std::fprintf(stderr, "bench_kb: cannot generate the world in %s\n", files.folder.c_str());
        return 1;
    }
    if (argc == 3 && argv[1] == generate) {
        std::printf("%s/home\n%s/kb.xml\n", files.folder.c_str(), files.folder.c_str());
        return 0;
    }
    // Before anything asks for the home folder: the helper's paths all derive from it.
    setenv("SWEEPWISE_HOME", files.home.c_str(), 1);

    if (!checkCounts(world, files)) {
        std::fprintf(stderr, "bench_kb: the container in %s does not load as generated\n",
                     files.folder.c_str());
        return 1;
    }
    static bench_support::FindPlan plan = bench_support::FindPlan::forKnowledgeBase(files.xml);
    auto pair = [](const std::string& name, auto ours, auto anchor) {
        benchmark::RegisterBenchmark((name + "/ours").c_str(), ours)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        benchmark::RegisterBenchmark((name + "/anchor").c_str(), anchor)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
    };
    pair(
        "kb.load-100k", [](benchmark::State& s) { loadOurs(s, &files); },
        [](benchmark::State& s) { loadAnchor(s, &files); });
    benchmark::RegisterBenchmark("kb.load-100k.peak-memory-per-MiB/ours", [](benchmark::State& s) {
        loadPeakOurs(s, &files);
    })->Iterations(1);
    benchmark::RegisterBenchmark("kb.load-100k.peak-memory-per-MiB/anchor", loadPeakAnchor)
        ->Iterations(1);
    benchmark::RegisterBenchmark("kb.load-100k.stages",
                                 [](benchmark::State& s) { loadStages(s, &files); })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    pair(
        "kb.search-200k", [](benchmark::State& s) { searchOurs(s, &files, false); },
        [](benchmark::State& s) { searchAnchor(s, &plan); });
    pair(
        "kb.search-200k.cold", [](benchmark::State& s) { searchOurs(s, &files, true); },
        [](benchmark::State& s) { searchAnchor(s, &plan); });
    static bench_support::FindPlan shippedPlan =
        bench_support::FindPlan::forKnowledgeBase(shippedDocument());
    pair(
        "kb.search-shipped", [](benchmark::State& s) { searchShipped(s, &files); },
        [](benchmark::State& s) { searchAnchor(s, &shippedPlan); });
    static bench_support::FindPlan offerPlan =
        bench_support::KnowledgeBaseOffer::findPlan(shippedDocument());
    pair(
        "kb.offer-shipped", [](benchmark::State& s) { offerShipped(s, &files); },
        [](benchmark::State& s) { searchAnchor(s, &offerPlan); });
    pair(
        "kb.load-100k.vs-pipeline", [](benchmark::State& s) { loadOurs(s, &files); },
        [](benchmark::State& s) { loadPipelineAnchor(s, &files); });
    benchmark::RegisterBenchmark("kb.search-200k.peak-memory/ours", [](benchmark::State& s) {
        peakOurs(s, &files);
    })->Iterations(1);
    benchmark::RegisterBenchmark("kb.search-200k.peak-memory/anchor", [](benchmark::State& s) {
        peakAnchor(s, &plan);
    })->Iterations(1);

    return runRegisteredBenchmarks(argc, argv);
}
