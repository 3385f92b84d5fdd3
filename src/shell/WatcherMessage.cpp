#include "shell/WatcherMessage.h"

#include "platform/FileSystem.h"
#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/Utf8.h"
#include "shell/MessageFiles.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/PathBytes.h"

using platform::PlistValue;

std::optional<std::string> WatcherMessage::messageText() const {
    PlistValue::Array items;
    items.reserve(m_arrObjs.size());
    for (const auto& item : m_arrObjs) {
        if (!item)
            continue;
        // Identifiers come from property lists, which hold UTF-8 only; one that is not
        // cannot be written as JSON and is left out, with a line.
        if (!platform::Utf8::isValid(item->bundleId())) {
            platform::Log::warning(platform::Log::Component::Shell,
                                   "left " + PathBytes::readableForm(item->path()) +
                                       " out of the message: its bundle identifier is not UTF-8");
            continue;
        }
        items.push_back(item->toDictionary());
    }
    if (items.empty())
        return std::nullopt;
    PlistValue::Dictionary root;
    root["items"] = PlistValue(std::move(items));
    std::optional<std::string> json = platform::Json::serialize(PlistValue(std::move(root)));
    if (!json)
        return std::nullopt;
    return getProtocolName2() + "\n" + *json;
}

std::optional<std::vector<std::shared_ptr<PathForRemove>>>
WatcherMessage::parse(std::string_view text, std::optional<MessageFileFault>* fault) {
    auto failed = [fault](MessageFileFault::Kind kind, std::optional<std::size_t> offset = {}) {
        if (fault)
            *fault = MessageFileFault{kind, offset, {}};
        return std::nullopt;
    };
    const std::string header = getProtocolName2() + "\n";
    if (!text.starts_with(header))
        return failed(MessageFileFault::Kind::WrongHeader, 0);
    std::optional<std::size_t> errorOffset;
    std::optional<PlistValue> root =
        platform::Json::parse(text.substr(header.size()), &errorOffset);
    if (!root)
        return failed(MessageFileFault::Kind::Malformed,
                      errorOffset ? std::optional(header.size() + *errorOffset) : std::nullopt);
    const PlistValue* items = root->asDictionary() ? root->get("items") : nullptr;
    if (!items || !items->asArray())
        return failed(MessageFileFault::Kind::NoItems);
    std::vector<std::shared_ptr<PathForRemove>> result;
    for (const PlistValue& element : *items->asArray()) {
        if (auto item = PathForRemove::createFromDictionary(element))
            result.push_back(std::move(item));
    }
    if (result.empty())
        return failed(MessageFileFault::Kind::NoItems);
    return result;
}

std::optional<std::string> WatcherMessage::saveForTransmit() const {
    std::optional<std::string> text = messageText();
    if (!text)
        return std::nullopt;
    std::optional<std::string> folder = MessageFiles::createFolder();
    if (!folder)
        return std::nullopt;
    std::optional<std::string> path = createUniqueFileNameInFolder(*folder, kSuffix);
    if (!path || !platform::FileSystem::writeFileAtomically(*path, *text, 0600))
        return std::nullopt;
    return path;
}

bool WatcherMessage::loadFromPath(const std::string& path, std::optional<MessageFileFault>* fault) {
    if (!NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(path)) {
        if (fault)
            *fault = MessageFileFault{MessageFileFault::Kind::Missing, {}, {}};
        return false;
    }
    std::optional<std::string> text = MessageFiles::read(path, fault);
    if (!text)
        return false;
    if (!platform::Utf8::isValid(*text)) {
        if (fault)
            *fault = MessageFileFault{MessageFileFault::Kind::NotUtf8, {}, {}};
        return false;
    }
    auto items = parse(*text, fault);
    if (!items)
        return false;
    m_arrObjs = std::move(*items);
    MessageFiles::remove(path);
    return true;
}

std::optional<std::string> WatcherMessage::createUniqueFileNameInFolder(const std::string& folder,
                                                                        std::string_view suffix) {
    return fileNamer().uniquePathInFolder(folder, suffix);
}

std::string WatcherMessage::getRandomString() {
    return fileNamer().nextRandomString();
}

MessageFileNamer& WatcherMessage::fileNamer() {
    static MessageFileNamer namer;
    return namer;
}
