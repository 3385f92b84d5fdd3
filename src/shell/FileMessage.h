#pragma once

#include "platform/PlistValue.h"
#include "shell/MessageFileFault.h"
#include "shell/MessageFileNamer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A command from the main application to the helper: a keyed archive of a
// dictionary, in a file with the extension "msgforsahelp".
//
//   exclude: {"command": "exclude-paths", "paths": [string, ...]}
//   clear:   {"command": "clear-exclude-paths"}
class FileMessage {
public:
    static constexpr std::int64_t kTypeReadFromFile = 0;
    static constexpr std::int64_t kTypeForHelper = 1;
    static constexpr const char* kHelperMessageExtension = "msgforsahelp";
    static constexpr const char* kCommandKey = "command";
    static constexpr const char* kPathsKey = "paths";
    static constexpr const char* kExcludeCommand = "exclude-paths";
    static constexpr const char* kClearCommand = "clear-exclude-paths";

    explicit FileMessage(std::int64_t type) : m_type(type) {}

    static std::shared_ptr<FileMessage>
    CreateMessageForHelperToExcludeRemovedPaths(const std::vector<std::string>& paths);
    static std::shared_ptr<FileMessage> CreateMessageForHelperToCancelExcludeRemovedPaths();

    // The paths of an exclude command, in order, without the elements that are not
    // strings (possibly none at all); none for a null message or any other content.
    static std::optional<std::vector<std::string>> ReadExcludePaths(const FileMessage* message);
    // Whether the message is a clear command.
    static bool ReadCancelExcludeRemovedPathsFromMessage(const FileMessage* message);

    // Reads the file at `path` (a regular file within the size limit; a final link
    // is followed), deletes it whether or not it could be read or decoded (a link is
    // deleted, not its target; a folder is never deleted), then decodes it. A message
    // of type 0 holding the archive's root object, or null for an empty path or
    // bytes that do not decode, and then `fault`, when given, says why.
    static std::shared_ptr<FileMessage>
    loadFromFile(const std::string& path, std::optional<MessageFileFault>* fault = nullptr);

    // Sends a message of type 1 that has data to the running helper: writes it and
    // asks the workspace to open it with the helper's executable, keeping the sender
    // active. False when the helper is not running (nothing is written) or anything
    // fails.
    bool transmit() const;

    // The helper's bundle identifier for type 1, none otherwise.
    std::optional<std::string> receiverAppBundleId() const;
    // "msgforsahelp" for type 1, none otherwise.
    std::optional<std::string> messageExtension() const;
    // The executable of the first running application with the receiver's identifier.
    std::optional<std::string> getAppPathForMessage() const;
    // Writes the archive atomically under a new name in the private message folder;
    // its path, or none without data, extension or on any failure.
    std::optional<std::string> saveToFile() const;

    static std::optional<std::string> createUniqueFileNameInFolder(const std::string& folder,
                                                                   std::string_view extension);
    static std::string getRandomString();
    // The namer of this class's files; tests may replace it.
    static MessageFileNamer& fileNamer();

    std::int64_t type() const { return m_type; }
    const std::optional<platform::PlistValue>& data() const { return m_data; }
    void setData(std::optional<platform::PlistValue> data) { m_data = std::move(data); }

private:
    std::int64_t m_type{kTypeReadFromFile};
    std::optional<platform::PlistValue> m_data;
};
