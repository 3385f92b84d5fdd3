#include "knowledge/KnowledgeBaseLog.h"

#include <cerrno>
#include <string>
#include <unistd.h>

void KnowledgeBaseLog::write(std::string_view line) {
    std::string text = "sweepwise: knowledge base: ";
    text += line;
    text += '\n';
    std::string_view rest = text;
    while (!rest.empty()) {
        ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}
