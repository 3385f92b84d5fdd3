#include "shell/FileMessage.h"

#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "shell/KeyedArchive.h"
#include "shell/MessageFiles.h"
#include "shell/WatcherSettings.h"
#include "shell/Workspace.h"

using platform::PlistValue;

namespace {

// The string under "command" of a message's dictionary, if there is one.
const std::string* commandOf(const FileMessage* message) {
    if (!message || !message->data())
        return nullptr;
    const PlistValue* command = message->data()->get(FileMessage::kCommandKey);
    return command ? command->asString() : nullptr;
}

} // namespace

std::shared_ptr<FileMessage>
FileMessage::CreateMessageForHelperToExcludeRemovedPaths(const std::vector<std::string>& paths) {
    PlistValue::Array list(paths.begin(), paths.end());
    PlistValue::Dictionary data;
    data[kCommandKey] = kExcludeCommand;
    data[kPathsKey] = PlistValue(std::move(list));
    auto message = std::make_shared<FileMessage>(kTypeForHelper);
    message->setData(PlistValue(std::move(data)));
    return message;
}

std::shared_ptr<FileMessage> FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths() {
    PlistValue::Dictionary data;
    data[kCommandKey] = kClearCommand;
    auto message = std::make_shared<FileMessage>(kTypeForHelper);
    message->setData(PlistValue(std::move(data)));
    return message;
}

std::optional<std::vector<std::string>> FileMessage::ReadExcludePaths(const FileMessage* message) {
    const std::string* command = commandOf(message);
    if (!command || *command != kExcludeCommand)
        return std::nullopt;
    const PlistValue* paths = message->data()->get(kPathsKey);
    if (!paths || !paths->asArray())
        return std::nullopt;
    std::vector<std::string> result;
    for (const PlistValue& element : *paths->asArray()) {
        if (const std::string* path = element.asString())
            result.push_back(*path);
    }
    return result;
}

bool FileMessage::ReadCancelExcludeRemovedPathsFromMessage(const FileMessage* message) {
    const std::string* command = commandOf(message);
    return command && *command == kClearCommand;
}

std::shared_ptr<FileMessage> FileMessage::loadFromFile(const std::string& path,
                                                       std::optional<MessageFileFault>* fault) {
    if (path.empty())
        return nullptr;
    std::optional<std::string> bytes = MessageFiles::read(path, fault);
    MessageFiles::remove(path);
    if (!bytes)
        return nullptr;
    platform::PropertyList::Reading archive = platform::PropertyList::read(*bytes);
    std::optional<PlistValue> root =
        archive.value ? KeyedArchive::unarchiveObject(*archive.value) : std::nullopt;
    if (!root) {
        if (fault)
            *fault = MessageFileFault{
                MessageFileFault::Kind::NotAnArchive, std::nullopt,
                archive.value ? "no keyed archive of a known root"
                              : "property list: " +
                                    std::string(platform::PropertyList::nameOf(archive.failure))};
        return nullptr;
    }
    auto message = std::make_shared<FileMessage>(kTypeReadFromFile);
    message->setData(std::move(*root));
    return message;
}

bool FileMessage::transmit() const {
    if (m_type != kTypeForHelper || !m_data)
        return false;
    std::optional<std::string> helper = getAppPathForMessage();
    if (!helper)
        return false;
    std::optional<std::string> path = saveToFile();
    if (!path)
        return false;
    return Workspace::shared()->openFile(*path, *helper, Workspace::Deactivation::KeepSenderActive);
}

std::optional<std::string> FileMessage::receiverAppBundleId() const {
    if (m_type != kTypeForHelper)
        return std::nullopt;
    return WatcherSettings::GetInstance().getHelperAppBundleID();
}

std::optional<std::string> FileMessage::messageExtension() const {
    if (m_type != kTypeForHelper)
        return std::nullopt;
    return std::string(kHelperMessageExtension);
}

std::optional<std::string> FileMessage::getAppPathForMessage() const {
    std::optional<std::string> receiver = receiverAppBundleId();
    if (!receiver)
        return std::nullopt;
    for (const auto& running :
         Workspace::shared()->runningApplicationsWithBundleIdentifier(*receiver)) {
        if (!running.executablePath.empty())
            return running.executablePath;
    }
    return std::nullopt;
}

std::optional<std::string> FileMessage::saveToFile() const {
    std::optional<std::string> extension = messageExtension();
    if (!m_data || !extension)
        return std::nullopt;
    std::optional<std::string> bytes = KeyedArchive::archivedData(*m_data);
    if (!bytes)
        return std::nullopt;
    std::optional<std::string> folder = MessageFiles::createFolder();
    if (!folder)
        return std::nullopt;
    std::optional<std::string> path = createUniqueFileNameInFolder(*folder, *extension);
    if (!path || !platform::FileSystem::writeFileAtomically(*path, *bytes, 0600))
        return std::nullopt;
    return path;
}

std::optional<std::string> FileMessage::createUniqueFileNameInFolder(const std::string& folder,
                                                                     std::string_view extension) {
    return fileNamer().uniquePathInFolder(folder, "." + std::string(extension));
}

std::string FileMessage::getRandomString() {
    return fileNamer().nextRandomString();
}

MessageFileNamer& FileMessage::fileNamer() {
    static MessageFileNamer namer;
    return namer;
}
