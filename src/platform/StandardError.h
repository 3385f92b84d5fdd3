#pragma once

#include <string_view>

namespace platform {

// The process's standard error stream, written without buffering.
class StandardError {
public:
    // Writes `bytes` in as few writes as the system allows (one for a line of ordinary
    // length), retrying after interruptions; gives up silently when the stream is gone.
    static void write(std::string_view bytes);
};

} // namespace platform
