// Restoring a scrambled archive: any non-empty input restores to an archive four bytes
// longer that starts with the zip signature, and scrambling that archive again gives
// back the input.
#include "FuzzSupport.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"

#include <algorithm>

using namespace fuzz_support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto archive = DataDecompressor::unshakeZipData(bytes(data, size));
    if (size == 0) {
        require(!archive);
        return 0;
    }
    require(archive && archive->size() == size + 4);
    const std::uint8_t signature[] = {'P', 'K', 3, 4};
    require(std::equal(signature, signature + 4, archive->data()));
    auto scrambled = DataCompressor::shakeZipData(archive->bytes());
    require(scrambled && scrambled->size() == size);
    require(std::equal(data, data + size, scrambled->data()));
    return 0;
}
