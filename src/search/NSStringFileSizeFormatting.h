#pragma once

#include <cstdint>
#include <string>

// The size text shown to the user for a byte count.
class NSStringFileSizeFormatting {
public:
    // The platform formatter's file count style, unchanged: "Zero KB", "999 bytes",
    // "12.3 MB". Callers that want no text for zero test for zero themselves.
    static std::string convertToStringFromFileSize(std::uint64_t bytes);
};
