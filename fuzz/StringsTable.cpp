#include "platform/StringsTable.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes either give no table or a table whose lookups work.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto table = platform::StringsTable::parse(bytes))
        (void)table->lookup(bytes.substr(0, 8));
    return 0;
}
