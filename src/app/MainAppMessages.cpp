#include "app/MainAppMessages.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "search/AppDependencyGroup.h"
#include "shell/PathsGenerator.h"
#include "shell/WatcherMessage.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <ostream>
#include <sstream>
#include <unistd.h>

namespace {

std::string utcTimestamp() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

} // namespace

bool MainAppMessages::printMessages(const std::vector<std::string>& paths, std::ostream& out,
                                    std::ostream& err,
                                    std::vector<std::shared_ptr<PathForRemove>>* received) {
    bool allRead = true;
    for (const std::string& path : paths) {
        WatcherMessage message;
        if (!path.ends_with(WatcherMessage::kSuffix)) {
            err << "Sweepwise: " << path << " is not a " << WatcherMessage::kSuffix << " file\n";
            allRead = false;
        } else if (std::optional<MessageFileFault> fault; !message.loadFromPath(path, &fault)) {
            err << "Sweepwise: " << path << " is not a readable watcher message"
                << (fault ? ": " + fault->describe() : std::string()) << "\n";
            allRead = false;
        } else {
            printLeftovers(path, message.getPathsForRemove(), out);
            if (!appendToReceivedLog(path, message.getPathsForRemove()))
                err << "Sweepwise: cannot write " << receivedLogPath() << "\n";
            if (received)
                received->insert(received->end(), message.getPathsForRemove().begin(),
                                 message.getPathsForRemove().end());
        }
    }
    out.flush();
    err.flush();
    return allRead;
}

void MainAppMessages::printLeftovers(const std::string& message,
                                     const std::vector<std::shared_ptr<PathForRemove>>& items,
                                     std::ostream& out) {
    out << message << ": " << items.size() << (items.size() == 1 ? " leftover\n" : " leftovers\n");
    for (const auto& item : items) {
        out << appDependencyGroupValue(item->type()) << '\t';
        if (item->isSizeCalculated())
            out << item->getSize();
        else
            out << '-';
        out << '\t' << item->bundleId() << '\t' << item->path() << '\n';
        // On a line of its own, so that the item lines keep their four columns.
        if (!item->reason().empty())
            out << "  why: " << item->reason() << '\n';
    }
}

std::string MainAppMessages::receivedLogPath() {
    return PathsGenerator::GetInstance().buildUserLibraryDirectory() +
           "/Logs/Sweepwise/received.log";
}

bool MainAppMessages::appendToReceivedLog(
    const std::string& message, const std::vector<std::shared_ptr<PathForRemove>>& items) {
    const std::string path = receivedLogPath();
    if (!platform::FileSystem::createDirectory(platform::Path::deletingLastComponent(path), true))
        return false;
    std::ostringstream entry;
    entry << utcTimestamp() << ' ';
    printLeftovers(message, items, entry);
    const std::string text = entry.str();
    // A message goes out in one appending write, so that two programs writing at
    // once do not interleave their lines.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        written += std::size_t(count);
    }
    ::close(fd);
    return written == text.size();
}
