// Unpacking an archive: any bytes give the entry "_" or nothing, the result stays
// within the size limit, and the private folder the archive was unpacked in is gone
// afterwards whatever the archive held.
#include "FuzzSupport.h"
#include "knowledge/DataDecompressor.h"

using namespace fuzz_support;

namespace {

// Small enough that archives passing it are found quickly, large enough for the seeds.
constexpr std::uint64_t kLimit = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto entry = DataDecompressor::unzippedData(bytes(data, size), kLimit);
    require(!entry || (!entry->empty() && entry->size() <= kLimit));
    requireNoScratchFoldersLeft();
    return 0;
}
