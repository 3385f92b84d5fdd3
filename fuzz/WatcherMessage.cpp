#include "shell/WatcherMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Any text: parsing answers items or none, and the items of a message that parses
// are written to a text that parses to the same items.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto items = WatcherMessage::parse(text);
    if (!items)
        return 0;
    WatcherMessage message;
    message.setPathsForRemove(*items);
    const auto written = message.messageText();
    if (!written)
        std::abort();
    const auto reread = WatcherMessage::parse(*written);
    if (!reread || reread->size() != items->size())
        std::abort();
    for (std::size_t i = 0; i < items->size(); ++i) {
        const PathForRemove& a = *(*items)[i];
        const PathForRemove& b = *(*reread)[i];
        if (a.path() != b.path() || a.bundleId() != b.bundleId() || a.type() != b.type() ||
            a.isSizeCalculated() != b.isSizeCalculated() || a.getSize() != b.getSize())
            std::abort();
    }
    return 0;
}
