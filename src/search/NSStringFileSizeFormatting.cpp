#include "search/NSStringFileSizeFormatting.h"

#include "platform/ByteCountFormatter.h"

std::string NSStringFileSizeFormatting::convertToStringFromFileSize(std::uint64_t bytes) {
    return platform::ByteCountFormatter::stringFromByteCount(bytes);
}
