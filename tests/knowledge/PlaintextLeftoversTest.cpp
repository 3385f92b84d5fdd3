#include "ContainerTestSupport.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/KnowledgeBaseData.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <new>

using namespace container_test;

namespace {

// Occurs nowhere but in the document below, and the model keeps nothing of it.
const std::string kMarker = "MARKER-7f3c9a1e-plaintext-must-not-survive";

// A document larger than one unpacking chunk, with the marker in comments only.
std::string documentWithMarker() {
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- " + kMarker +
                           " -->\n<base><domains>\n";
    for (int i = 0; document.size() < 200 * 1024; ++i) {
        document += "<d v=\"com.example.App" + std::to_string(i) +
                    "\"><g v=\"caches\"><f>~/Library/Caches/App" + std::to_string(i) +
                    "</f></g></d><!-- " + kMarker + " -->\n";
    }
    return document + "</domains></base>\n";
}

// Takes over every buffer storage the container pipeline releases on this thread, so
// that it can be read after the pipeline is done with it.
class ReleasedStorage {
public:
    struct Region {
        std::uint8_t* data;
        std::size_t size;
    };
    ReleasedStorage() {
        SecureBuffer::setReleaseKeeper(
            [this](std::uint8_t* data, std::size_t size) { m_regions.push_back({data, size}); });
    }
    ~ReleasedStorage() {
        stopKeeping();
        for (const Region& region : m_regions)
            ::operator delete(region.data);
    }
    void stopKeeping() { SecureBuffer::setReleaseKeeper(nullptr); }
    const std::vector<Region>& regions() const { return m_regions; }

private:
    std::vector<Region> m_regions;
};

bool contains(const ReleasedStorage::Region& region, std::string_view needle) {
    std::string_view bytes(reinterpret_cast<const char*>(region.data), region.size);
    return bytes.find(needle) != std::string_view::npos;
}

} // namespace

// Loading a knowledge base from its container leaves no byte of the document in any
// buffer the pipeline released: every stage's result, the plaintext before it was
// copied, the unpacking chunks and the document the model was parsed from.
TEST(PlaintextLeftovers, NoBufferOfTheLoadKeepsTheDocument) {
    const std::string document = documentWithMarker();
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

    // The document's own buffer went through the keeper, so the scan below covers it.
    EXPECT_TRUE(std::any_of(released.regions().begin(), released.regions().end(),
                            [&](const auto& region) { return region.size == document.size(); }));
    std::size_t scanned = 0;
    for (const auto& region : released.regions()) {
        scanned += region.size;
        EXPECT_FALSE(contains(region, kMarker)) << region.size << " bytes";
        EXPECT_FALSE(contains(region, "<base>")) << region.size << " bytes";
        EXPECT_TRUE(std::all_of(region.data, region.data + region.size,
                                [](std::uint8_t byte) { return byte == 0; }))
            << region.size << " bytes";
    }
    // Every layer of the container passed through at least once.
    EXPECT_GT(scanned, document.size() + 2 * containerSize);
}
