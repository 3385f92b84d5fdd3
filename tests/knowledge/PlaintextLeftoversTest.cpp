#include "ContainerTestSupport.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/KnowledgeBaseData.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <new>

using namespace container_test;

namespace {

// Occurs nowhere but in comments of the document, of which the model keeps nothing.
const std::string kMarker = "MARKER-7f3c9a1e-plaintext-must-not-survive";

// Takes over every buffer storage released on this thread, to be read once the pipeline
// is done with it.
class ReleasedStorage {
public:
    ReleasedStorage() {
        SecureBuffer::setReleaseKeeper(
            [this](std::uint8_t* data, std::size_t size) { regions.emplace_back(data, size); });
    }
    ~ReleasedStorage() {
        stopKeeping();
        for (const auto& [data, size] : regions)
            ::operator delete(data);
    }
    void stopKeeping() { SecureBuffer::setReleaseKeeper(nullptr); }
    std::vector<std::pair<std::uint8_t*, std::size_t>> regions;
};

} // namespace

// Loading a knowledge base from its container leaves no byte of the document in any
// buffer the pipeline released: stage results, unpacking chunks, the parsed document.
TEST(PlaintextLeftovers, NoBufferOfTheLoadKeepsTheDocument) {
    std::string document = "<?xml version=\"1.0\"?>\n<!-- " + kMarker + " -->\n<base><domains>\n";
    // Large enough that the reader hands the text it has read back in runs while the
    // domains are read, so that the scan covers those pages too.
    for (int i = 0; document.size() < 1536 * 1024; ++i)
        document += "<d v=\"com.example.App" + std::to_string(i) +
                    "\"><g v=\"caches\"><f>~/Library/Caches/App" + std::to_string(i) +
                    "</f></g></d><!-- " + kMarker + " -->\n";
    document += "</domains></base>\n";
    auto container = DataCompressor::compressData(bytes(document));
    ASSERT_TRUE(container);
    const std::string path = testing_support::Sandbox::process().makeFolder("kb") + "/auth.cer";
    testing_support::writeFile(path, std::string(container->view()));
    const std::size_t containerSize = container->size();
    container->cleanse();

    ReleasedStorage released;
    {
        auto base = KnowledgeBaseData::createWithPath(path);
        ASSERT_TRUE(base->isParsed());
        EXPECT_FALSE(base->recordGroups().empty());
    }
    released.stopKeeping();

    // The document's own buffer, which the reader parsed in place (with room for its
    // terminator), went through the keeper, so the scan below covers it.
    EXPECT_TRUE(
        std::any_of(released.regions.begin(), released.regions.end(),
                    [&](const auto& region) { return region.second == document.size() + 1; }));
    std::size_t scanned = 0;
    for (const auto& [data, size] : released.regions) {
        scanned += size;
        std::string_view bytes(reinterpret_cast<const char*>(data), size);
        EXPECT_EQ(bytes.find(kMarker), std::string_view::npos) << size << " bytes";
        EXPECT_EQ(bytes.find("<base>"), std::string_view::npos) << size << " bytes";
        EXPECT_TRUE(std::all_of(data, data + size, [](std::uint8_t byte) { return byte == 0; }))
            << size << " bytes";
    }
    // Every layer of the container passed through at least once.
    EXPECT_GT(scanned, document.size() + 2 * containerSize);
}
