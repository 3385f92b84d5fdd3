#include "platform/Json.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Any bytes: parsing must answer a value or none, and what parses must serialize
// back to text that parses to the same value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::Json;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = Json::parse(text);
    if (!value)
        return 0;
    const auto serialized = Json::serialize(*value);
    if (!serialized || Json::parse(*serialized) != value)
        std::abort();
    return 0;
}
