// The XML reader against pugixml, on a generated 20 MB knowledge base and on the
// largest XML file of the machine. Pairs follow the convention of bench/ratios.py.
#include "KnowledgeBaseDocument.h"
#include "RunBenchmarks.h"
#include "knowledge/TBXML.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr size_t kKnowledgeBaseBytes = 20u << 20;
constexpr const char* kMimeDatabase = "/usr/share/mime/packages/freedesktop.org.xml";

struct Input {
    std::string label;
    std::string path;
    std::string bytes;
};

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// Times are the CPU time of this thread (page faults included), which other work on a
// shared machine disturbs far less than wall-clock time.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The time of a parse without the release of the tree, which neither side counts:
// ours wipes its buffer then, because it holds the knowledge base in plain text.
void parseOurs(benchmark::State& state, const Input* input) {
    for (auto _ : state) {
        double start = threadSeconds();
        auto reader = TBXML::newTBXMLWithXMLData(input->bytes);
        benchmark::DoNotOptimize(reader->rootXMLElement());
        state.SetIterationTime(threadSeconds() - start);
    }
    state.counters["bytes"] = static_cast<double>(input->bytes.size());
}

void parseAnchor(benchmark::State& state, const Input* input, unsigned options) {
    for (auto _ : state) {
        pugi::xml_document document;
        double start = threadSeconds();
        auto result = document.load_buffer(input->bytes.data(), input->bytes.size(), options,
                                           pugi::encoding_utf8);
        benchmark::DoNotOptimize(result.status);
        state.SetIterationTime(threadSeconds() - start);
    }
    state.counters["bytes"] = static_cast<double>(input->bytes.size());
}

// Visits every element in document order and reads every attribute's name and value.
size_t walkOurs(const _TBXMLElement* element) {
    size_t sum = 0;
    while (element) {
        sum += std::strlen(element->name);
        for (const _TBXMLAttribute* a = element->firstAttribute; a; a = a->next)
            sum += std::strlen(a->name) + std::strlen(a->value);
        if (element->firstChild) {
            element = element->firstChild;
            continue;
        }
        while (element && !element->nextSibling)
            element = element->parentElement;
        if (element)
            element = element->nextSibling;
    }
    return sum;
}

size_t walkAnchor(pugi::xml_node node) {
    size_t sum = 0;
    while (node) {
        if (node.type() == pugi::node_element) {
            sum += std::strlen(node.name());
            for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
                sum += std::strlen(a.name()) + std::strlen(a.value());
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node)
            node = node.next_sibling();
    }
    return sum;
}

void walk(benchmark::State& state, const Input* input, bool ours) {
    auto reader = TBXML::newTBXMLWithXMLData(input->bytes);
    pugi::xml_document document;
    document.load_buffer(input->bytes.data(), input->bytes.size(), pugi::parse_minimal,
                         pugi::encoding_utf8);
    size_t expected = walkOurs(reader->rootXMLElement());
    if (walkAnchor(document.document_element()) != expected) {
        state.SkipWithError("the two trees differ");
        return;
    }
    for (auto _ : state) {
        double start = threadSeconds();
        size_t sum =
            ours ? walkOurs(reader->rootXMLElement()) : walkAnchor(document.document_element());
        benchmark::DoNotOptimize(sum);
        state.SetIterationTime(threadSeconds() - start);
    }
    state.counters["bytes"] = static_cast<double>(input->bytes.size());
}

long statusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1) * 1024;
    }
    return -1;
}

// Runs in a fresh process: reads the file, then reports how far the peak resident
// size rose during one parse. The high-water mark is reset just before the parse,
// and malloc is told to hand freed memory back, so that nothing the process held
// before is reused and left uncounted.
int probeMemory(const std::string& side, const std::string& path) {
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    auto bytes = readFile(path);
    if (!bytes)
        return 1;
    malloc_trim(0);
    if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clear);
        std::fclose(clear);
    }
    long before = std::max(statusField("VmHWM"), statusField("VmRSS"));
    bool parsed;
    if (side == "ours") {
        auto reader = TBXML::newTBXMLWithXMLData(*bytes);
        parsed = reader->rootXMLElement() != nullptr;
        std::printf("%ld %zu\n", statusField("VmHWM") - before, reader->memoryFootprint());
    } else {
        pugi::xml_document document;
        parsed = document.load_buffer(bytes->data(), bytes->size(), pugi::parse_minimal,
                                      pugi::encoding_utf8);
        std::printf("%ld 0\n", statusField("VmHWM") - before);
    }
    return parsed ? 0 : 1;
}

void peakMemory(benchmark::State& state, const Input* input, const char* side) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        state.SkipWithError("cannot find this program");
        return;
    }
    double peak = 0;
    for (auto _ : state) {
        std::string command =
            "'" + std::string(self) + "' --probe-memory=" + side + " '" + input->path + "'";
        FILE* probe = popen(command.c_str(), "r");
        long bytes = -1;
        size_t footprint = 0;
        if (!probe || std::fscanf(probe, "%ld %zu", &bytes, &footprint) != 2 ||
            pclose(probe) != 0 || bytes < 0) {
            state.SkipWithError("the memory probe failed");
            return;
        }
        peak = static_cast<double>(bytes);
    }
    state.counters["figure:bytes"] = peak;
}

std::string writeTemporary(const std::string& bytes) {
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder && *folder ? folder : "/tmp") + "/bench_xml_XXXXXX";
    int fd = mkstemp(path.data());
    if (fd < 0)
        return {};
    bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return written ? path : std::string();
}

void registerComparisons(const Input* input) {
    const std::string prefix = "xml." + input->label;
    auto pair = [&](const std::string& comparison, auto ours, auto anchor) {
        benchmark::RegisterBenchmark((prefix + comparison + "/ours").c_str(), ours)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        benchmark::RegisterBenchmark((prefix + comparison + "/anchor").c_str(), anchor)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
    };
    pair(
        ".parse-vs-minimal", [=](benchmark::State& s) { parseOurs(s, input); },
        [=](benchmark::State& s) { parseAnchor(s, input, pugi::parse_minimal); });
    pair(
        ".parse-vs-default", [=](benchmark::State& s) { parseOurs(s, input); },
        [=](benchmark::State& s) { parseAnchor(s, input, pugi::parse_default); });
    pair(
        ".walk", [=](benchmark::State& s) { walk(s, input, true); },
        [=](benchmark::State& s) { walk(s, input, false); });
    benchmark::RegisterBenchmark((prefix + ".peak-memory/ours").c_str(), [=](benchmark::State& s) {
        peakMemory(s, input, "ours");
    })->Iterations(1);
    benchmark::RegisterBenchmark((prefix + ".peak-memory/anchor").c_str(),
                                 [=](benchmark::State& s) { peakMemory(s, input, "anchor"); })
        ->Iterations(1);
}

} // namespace

int main(int argc, char** argv) {
    const std::string probe = "--probe-memory=";
    if (argc == 3 && std::strncmp(argv[1], probe.c_str(), probe.size()) == 0)
        return probeMemory(argv[1] + probe.size(), argv[2]);

    // Every parse starts from memory the process does not hold yet, as a one-off parse
    // in the helper does: large buffers are mapped afresh and freed memory goes back to
    // the system, instead of glibc's adaptive thresholds deciding differently from one
    // repetition to the next. BENCH_XML_MEMORY=warm keeps freed memory instead, which
    // leaves out the kernel's cost of handing out pages and shows the parsers' own work.
    const char* memory = std::getenv("BENCH_XML_MEMORY");
    bool warm = memory && std::strcmp(memory, "warm") == 0;
    mallopt(M_MMAP_THRESHOLD, warm ? 64 << 20 : 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, warm ? 512 << 20 : 128 * 1024);

    static Input knowledgeBase{
        "kb", {}, bench_support::KnowledgeBaseDocument::make(kKnowledgeBaseBytes)};
    knowledgeBase.path = writeTemporary(knowledgeBase.bytes);
    if (knowledgeBase.path.empty()) {
        std::fprintf(stderr, "bench_xml: cannot write the generated document\n");
        return 1;
    }
    registerComparisons(&knowledgeBase);

    static Input mime{"mime", kMimeDatabase, {}};
    if (auto bytes = readFile(kMimeDatabase)) {
        mime.bytes = std::move(*bytes);
        registerComparisons(&mime);
    } else {
        std::fprintf(stderr, "bench_xml: %s not found, its rows are skipped\n", kMimeDatabase);
    }

    int status = runRegisteredBenchmarks(argc, argv);
    std::remove(knowledgeBase.path.c_str());
    return status;
}
