// The whole container pipeline: any bytes give a document or nothing and leave no
// scratch folder behind.
#include "FuzzSupport.h"
#include "knowledge/DataDecompressor.h"

using namespace fuzz_support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto document = DataDecompressor::decompressData(bytes(data, size));
    require(!document || !document->empty());
    requireNoScratchFoldersLeft();
    return 0;
}
