#include "app/MainAppMessages.h"

#include "search/AppDependencyGroup.h"
#include "shell/WatcherMessage.h"

#include <ostream>

bool MainAppMessages::printMessages(const std::vector<std::string>& paths, std::ostream& out,
                                    std::ostream& err) {
    bool allRead = true;
    for (const std::string& path : paths) {
        WatcherMessage message;
        if (!path.ends_with(WatcherMessage::kSuffix)) {
            err << "Sweepwise: " << path << " is not a " << WatcherMessage::kSuffix << " file\n";
            allRead = false;
        } else if (!message.loadFromPath(path)) {
            err << "Sweepwise: " << path << " is not a readable watcher message\n";
            allRead = false;
        } else {
            printLeftovers(path, message.getPathsForRemove(), out);
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
    }
}
