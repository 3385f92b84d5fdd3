#include "shell/MessageFileNamer.h"

#include "platform/Path.h"
#include "shell/NSFileManagerUtils.h"

std::string MessageFileNamer::nextRandomString() {
    ++m_counter;
    return "random_" + std::to_string(m_counter) + "-" +
           std::to_string(secondsSince2001(m_clock()));
}

std::optional<std::string> MessageFileNamer::uniquePathInFolder(const std::string& folder,
                                                                std::string_view suffix) {
    // The counter makes every name of this process new; only files left by another
    // process, or by an earlier run within the same second, can be in the way.
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        std::string path =
            platform::Path::appending(folder, nextRandomString() + std::string(suffix));
        if (!NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(path))
            return path;
    }
    return std::nullopt;
}

std::uint64_t MessageFileNamer::secondsSince2001(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    // duration_cast truncates towards zero, which cuts the fraction off.
    auto sinceEpoch = duration_cast<seconds>(time.time_since_epoch()).count();
    if (sinceEpoch <= kUnixSecondsAt2001)
        return 0;
    return static_cast<std::uint64_t>(sinceEpoch - kUnixSecondsAt2001);
}
