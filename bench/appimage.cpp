// Reading an AppImage's identity (its desktop entry, AppStream id and icon, in a limited
// child process) against printing its desktop entry alone with `unsquashfs -o OFFSET -cat`,
// on a 200 MB AppImage made here with mksquashfs. Both are wall-clock times of the whole
// answer, the child process or program included.
#include "RunBenchmarks.h"
#include "platform/FileSystem.h"
#include "shell/AppImageReader.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPayloadBytes = std::size_t(200) << 20;
constexpr std::size_t kFiles = 100;
constexpr const char* kEntry = "org.example.Bench.desktop";

struct Fixture {
    std::string folder;
    std::string appImage;
    std::string image;
};

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A tree of 100 files of incompressible bytes (2 MB each) beside the application's own
// files, packed as AppImages are, behind a 128-byte ELF stub.
Fixture makeFixture() {
    Fixture fixture;
    fixture.folder =
        platform::FileSystem::temporaryDirectory() + "/bench-appimage-" + std::to_string(getpid());
    const std::string tree = fixture.folder + "/tree";
    std::system(("mkdir -p '" + tree + "/usr/share/metainfo' '" + tree + "/usr/lib'").c_str());
    write(tree + "/" + kEntry,
          "[Desktop Entry]\nType=Application\nName=Bench\nExec=bench %F\nIcon=bench\n");
    write(tree + "/usr/share/metainfo/org.example.Bench.appdata.xml",
          "<component><id>org.example.Bench</id></component>\n");
    write(tree + "/bench.png", std::string(30000, 'p'));
    symlink("bench.png", (tree + "/.DirIcon").c_str());
    std::mt19937_64 random(42);
    std::string block(kPayloadBytes / kFiles, '\0');
    for (std::size_t file = 0; file < kFiles; ++file) {
        for (std::size_t i = 0; i + 8 <= block.size(); i += 8) {
            const std::uint64_t value = random();
            std::memcpy(block.data() + i, &value, 8);
        }
        write(tree + "/usr/lib/lib" + std::to_string(file) + ".so", block);
    }
    fixture.image = fixture.folder + "/image.sqfs";
    std::system(("mksquashfs '" + tree + "' '" + fixture.image +
                 "' -noappend -quiet -no-progress -all-root -comp gzip >/dev/null")
                    .c_str());
    std::string stub(128, '\0');
    std::memcpy(stub.data(),
                "\x7f"
                "ELF\x02\x01\x01",
                7);
    std::memcpy(stub.data() + 8, "AI\x02", 3);
    stub[0x28] = 64;
    stub[0x3A] = 64;
    stub[0x3C] = 1;
    fixture.appImage = fixture.folder + "/Bench-1.0-x86_64.AppImage";
    write(fixture.appImage, stub);
    std::system(("cat '" + fixture.image + "' >> '" + fixture.appImage + "'").c_str());
    return fixture;
}

double seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void ours(benchmark::State& state, const Fixture* fixture) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const AppImageIdentity identity = AppImageReader::read(fixture->appImage);
        state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
        if (identity.appStreamId != "org.example.Bench" || identity.iconData.empty())
            state.SkipWithError("the identity was not read");
    }
}

void anchor(benchmark::State& state, const Fixture* fixture) {
    const std::string command =
        "unsquashfs -o 128 -cat '" + fixture->appImage + "' " + kEntry + " >/dev/null 2>&1";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
        if (status != 0)
            state.SkipWithError("unsquashfs failed");
    }
}

} // namespace

int main(int argc, char** argv) {
    static const Fixture fixture = makeFixture();
    struct stat status {};
    stat(fixture.appImage.c_str(), &status);
    std::fprintf(stderr, "bench_appimage: %s, %lld bytes\n", fixture.appImage.c_str(),
                 static_cast<long long>(status.st_size));
    benchmark::RegisterBenchmark("appimage.identify/ours", ours, &fixture)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("appimage.identify/anchor", anchor, &fixture)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    const int result = runRegisteredBenchmarks(argc, argv);
    std::system(("rm -rf '" + fixture.folder + "'").c_str());
    return result;
}
