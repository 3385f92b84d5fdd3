// Times every stage of opening a knowledge-base container made from a ~20 MB XML
// document, each on the output of the stage before it, plus the whole pipeline and
// the packer. Stages 2 and 5 include writing, unpacking and removing the temporary
// folder; stage 3 includes the two key derivations.

#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

constexpr std::size_t kDocumentSize = 20 * 1024 * 1024;

std::string makeDocument() {
    // Records shaped like the knowledge base's: identifiers and paths with enough
    // variety that the archive does not shrink to nothing.
    std::mt19937 random(20240611);
    auto word = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>('a' + random() % 26);
        return text;
    };
    std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<knowledgebase version=\"1\">\n";
    while (document.size() < kDocumentSize) {
        std::string vendor = word(6);
        std::string app = word(8);
        document += "  <app bundle=\"com." + vendor + "." + app + "\" name=\"" + app + "\">\n";
        for (int i = 0; i < 4; ++i)
            document += "    <file path=\"~/Library/Application Support/" + app + "/" + word(10) +
                        "\" group=\"" + std::to_string(random() % 18) + "\"/>\n";
        document +=
            "    <rule folder=\"~/Library/Caches\" match=\"" + vendor + "*\" depth=\"2\"/>\n";
        document += "  </app>\n";
    }
    return document + "</knowledgebase>\n";
}

struct Layers {
    SecureBuffer document;
    SecureBuffer container;
    SecureBuffer outerZip;
    SecureBuffer encrypted;
    SecureBuffer scrambledInner;
    SecureBuffer innerZip;
};

SecureBuffer required(std::optional<SecureBuffer> buffer, const char* what) {
    if (!buffer) {
        std::fprintf(stderr, "benchmark setup failed at %s\n", what);
        std::exit(1);
    }
    return std::move(*buffer);
}

const Layers& layers() {
    static const Layers built = [] {
        Layers l;
        l.document = SecureBuffer(std::string_view(makeDocument()));
        l.container = required(DataCompressor::compressData(l.document.bytes()), "packing");
        l.outerZip = required(DataDecompressor::unshakeZipData(l.container.bytes()), "stage 1");
        l.encrypted = required(DataDecompressor::unzippedData(l.outerZip.bytes()), "stage 2");
        l.scrambledInner = required(DataDecompressor::decodeData(l.encrypted.bytes()), "stage 3");
        l.innerZip =
            required(DataDecompressor::unshakeZipData(l.scrambledInner.bytes()), "stage 4");
        return l;
    }();
    return built;
}

template <class Stage>
void runStage(benchmark::State& state, const SecureBuffer& input, Stage stage) {
    for (auto _ : state) {
        std::optional<SecureBuffer> output = stage(input.bytes());
        if (!output)
            state.SkipWithError("stage gave nothing");
        benchmark::DoNotOptimize(output);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    state.counters["input_bytes"] = static_cast<double>(input.size());
    state.counters["document_bytes"] = static_cast<double>(layers().document.size());
}

void Stage1_Unscramble(benchmark::State& state) {
    runStage(state, layers().container,
             [](auto in) { return DataDecompressor::unshakeZipData(in); });
}

void Stage2_Unpack(benchmark::State& state) {
    runStage(state, layers().outerZip, [](auto in) { return DataDecompressor::unzippedData(in); });
}

void Stage3_Decrypt(benchmark::State& state) {
    runStage(state, layers().encrypted, [](auto in) { return DataDecompressor::decodeData(in); });
}

void Stage4_Unscramble(benchmark::State& state) {
    runStage(state, layers().scrambledInner,
             [](auto in) { return DataDecompressor::unshakeZipData(in); });
}

void Stage5_Unpack(benchmark::State& state) {
    runStage(state, layers().innerZip, [](auto in) { return DataDecompressor::unzippedData(in); });
}

void WholePipeline(benchmark::State& state) {
    runStage(state, layers().container,
             [](auto in) { return DataDecompressor::decompressData(in); });
}

void Packing(benchmark::State& state) {
    runStage(state, layers().document, [](auto in) { return DataCompressor::compressData(in); });
}

} // namespace

BENCHMARK(Stage1_Unscramble)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();
BENCHMARK(Stage2_Unpack)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();
BENCHMARK(Stage3_Decrypt)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();
BENCHMARK(Stage4_Unscramble)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();
BENCHMARK(Stage5_Unpack)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();
BENCHMARK(WholePipeline)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();
BENCHMARK(Packing)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->UseRealTime();

BENCHMARK_MAIN();
