#include "platform/StandardError.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

void StandardError::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(STDERR_FILENO, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace platform
