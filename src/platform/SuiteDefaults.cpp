#include "platform/SuiteDefaults.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <charconv>
#include <cmath>

namespace platform {

namespace {

// Preferences files are small; anything larger is not one.
constexpr std::size_t kMaximumSize = 16 * 1024 * 1024;

std::optional<std::int64_t> leadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> integerOf(const PlistValue& value) {
    if (auto integer = value.asInteger())
        return integer;
    if (auto real = value.asReal()) {
        if (!std::isfinite(*real) || std::fabs(*real) >= 9.2e18)
            return std::nullopt;
        return static_cast<std::int64_t>(*real);
    }
    if (auto boolean = value.asBoolean())
        return *boolean ? 1 : 0;
    if (const std::string* text = value.asString())
        return leadingNumber(*text);
    return std::nullopt;
}

enum class FileState { Missing, Dictionary, Unusable };

// What the file holds: its dictionary, nothing yet, or something that is not ours to replace.
FileState readDictionary(const std::string& path, PlistValue::Dictionary& dictionary) {
    std::optional<ItemStatus> status = ItemStatus::of(path, ItemStatus::Links::Follow);
    if (!status)
        return FileState::Missing;
    if (!status->regularFile)
        return FileState::Unusable;
    PropertyList::Reading root = PropertyList::readFileWithReason(path, kMaximumSize);
    const PlistValue::Dictionary* found = root.value ? root.value->asDictionary() : nullptr;
    if (!found) {
        Log::warningOnce(
            Log::Component::Platform,
            path + ": " +
                std::string(root.value ? "not a dictionary" : PropertyList::nameOf(root.failure)) +
                "; the settings are neither read nor replaced");
        return FileState::Unusable;
    }
    dictionary = *found;
    return FileState::Dictionary;
}

} // namespace

std::shared_ptr<SuiteDefaults> SuiteDefaults::create(const std::string& suiteName) {
    if (suiteName.empty() || suiteName == "." || suiteName == ".." ||
        suiteName.find('/') != std::string::npos || suiteName.find('\0') != std::string::npos)
        return nullptr;
    const std::string home = Environment::homeDirectory();
    if (home.empty())
        return nullptr;
    const std::string path = Path::appending(home, "Library/Preferences/" + suiteName + ".plist");
    return std::shared_ptr<SuiteDefaults>(new SuiteDefaults(suiteName, path));
}

std::optional<std::int64_t> SuiteDefaults::integerForKey(const std::string& key) const {
    PlistValue::Dictionary dictionary;
    if (readDictionary(m_path, dictionary) != FileState::Dictionary)
        return std::nullopt;
    auto item = dictionary.find(key);
    return item == dictionary.end() ? std::nullopt : integerOf(item->second);
}

bool SuiteDefaults::setInteger(std::int64_t value, const std::string& key) {
    PlistValue::Dictionary dictionary;
    if (readDictionary(m_path, dictionary) == FileState::Unusable)
        return false;
    dictionary[key] = PlistValue(value);
    if (!FileSystem::createDirectory(Path::deletingLastComponent(m_path), true))
        return false;
    return PropertyList::writeFile(m_path, PlistValue(std::move(dictionary)),
                                   PropertyList::Format::Xml);
}

} // namespace platform
