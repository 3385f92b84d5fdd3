#include "platform/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes: parsing must answer a value or none, and whatever parses must write.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using platform::PropertyList;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto value = PropertyList::parse(bytes)) {
        if (auto binary = PropertyList::toBinary(*value))
            PropertyList::parse(*binary);
        PropertyList::toXml(*value);
    }
    return 0;
}
