#pragma once

#include "shell/MessageFileFault.h"
#include "shell/MessageFileNamer.h"
#include "shell/PathForRemove.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The helper's result for the main application: the leftovers the user chose to
// remove, as a ".trforsa" file holding a header line and compact JSON
// ({"items":[{"type":"10","size":"4096","path":"...","bundleId":"..."}, ...]}).
class WatcherMessage {
public:
    static constexpr const char* kSuffix = ".trforsa";

    static std::string getProtocolName2() {
        return "---=== Sweepwise Agent Watcher Message v2 ===---";
    }

    void setPathsForRemove(std::vector<std::shared_ptr<PathForRemove>> items) {
        m_arrObjs = std::move(items);
    }
    const std::vector<std::shared_ptr<PathForRemove>>& getPathsForRemove() const {
        return m_arrObjs;
    }

    // The file's text: the header, a line feed and the JSON, in list order. Items
    // whose strings are not valid UTF-8 (possible on Linux, never in the platform's
    // paths) have no JSON form and are left out; none when no item is left.
    std::optional<std::string> messageText() const;

    // The items of a message's text; none unless it starts with the header and a
    // line feed, the rest is a JSON object and its "items" array holds at least one
    // valid item. Invalid items are skipped.
    static std::optional<std::vector<std::shared_ptr<PathForRemove>>>
    parse(std::string_view text, std::optional<MessageFileFault>* fault = nullptr);

    // Writes the message atomically under a new name in the private message folder;
    // its path, or none when anything fails.
    std::optional<std::string> saveForTransmit() const;

    // Reads the message at `path` (which must exist, a dangling link counting as
    // existing), must be a regular file of valid UTF-8 text within the size limit and
    // must parse. On success the items replace the list, the file (or the link that
    // led to it) is deleted and the answer is true; otherwise the list and the file
    // stay as they were, and `fault`, when given, says why.
    bool loadFromPath(const std::string& path, std::optional<MessageFileFault>* fault = nullptr);

    static std::optional<std::string> createUniqueFileNameInFolder(const std::string& folder,
                                                                   std::string_view suffix);
    static std::string getRandomString();

    // The namer of this class's files; tests may replace it to reset the counter or
    // fix the clock.
    static MessageFileNamer& fileNamer();

private:
    std::vector<std::shared_ptr<PathForRemove>> m_arrObjs;
};
