#include "platform/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Any bytes: parsing must answer a value or none, whatever parses must write in both
// formats, and the binary form must parse again. Large results are only written: the
// reader caps how many objects a file may expand to, and a small file of shared
// objects can exceed it once written out flat.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::PropertyList;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto value = PropertyList::parse(bytes);
    if (!value)
        return 0;
    auto binary = PropertyList::toBinary(*value);
    if (!binary)
        std::abort();
    if (binary->size() <= (std::size_t(1) << 18) && !PropertyList::parse(*binary))
        std::abort();
    PropertyList::toXml(*value);
    return 0;
}
