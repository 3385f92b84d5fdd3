// Decrypting the encrypted stage: any bytes give a non-empty plaintext or nothing. The
// message is authenticated before it is decrypted, so inputs that pass the format
// checks cost two key derivations each; this target runs far slower than the others.
#include "FuzzSupport.h"
#include "knowledge/DataDecompressor.h"

using namespace fuzz_support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto plaintext = DataDecompressor::decodeData(bytes(data, size));
    require(!plaintext || !plaintext->empty());
    return 0;
}
