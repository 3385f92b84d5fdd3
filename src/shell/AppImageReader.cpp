#include "shell/AppImageReader.h"

#include "platform/LimitedChild.h"
#include "platform/ReadOnlyFile.h"
#include "shell/DesktopEntry.h"
#include "shell/SquashfsImage.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view kSquashfsMagic = "hsqs";
constexpr const char* kMetainfoFolders[] = {"usr/share/metainfo", "usr/share/appdata"};

std::uint64_t readUnsigned(std::string_view bytes, std::size_t at, std::size_t size,
                           bool bigEndian) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + (bigEndian ? i : size - 1 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

// Ids are reverse-DNS names; anything else (markup, spaces, a path) is not one.
bool isUsableId(std::string_view id) {
    return !id.empty() && id.size() <= 255 && id != "." && id != ".." &&
           std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
           });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::strchr(" \t\r\n", text.front()))
        text.remove_prefix(1);
    while (!text.empty() && std::strchr(" \t\r\n", text.back()))
        text.remove_suffix(1);
    return text;
}

// The text of the first element `<tag ...>text</tag>` in `xml` from `from`, and where it
// ends.
std::optional<std::pair<std::string_view, std::size_t>>
elementText(std::string_view xml, std::string_view tag, std::size_t from,
            std::string_view requiredAttribute = {}) {
    const std::string open = "<" + std::string(tag);
    const std::string close = "</" + std::string(tag) + ">";
    for (std::size_t at = xml.find(open, from); at != std::string_view::npos;
         at = xml.find(open, at + 1)) {
        const std::size_t nameEnd = at + open.size();
        if (nameEnd >= xml.size() || (xml[nameEnd] != '>' && xml[nameEnd] != ' '))
            continue;
        const std::size_t tagEnd = xml.find('>', nameEnd);
        if (tagEnd == std::string_view::npos)
            return std::nullopt;
        const std::string_view attributes = xml.substr(nameEnd, tagEnd - nameEnd);
        if (!requiredAttribute.empty() && attributes.find(requiredAttribute) == std::string::npos)
            continue;
        const std::size_t end = xml.find(close, tagEnd);
        if (end == std::string_view::npos)
            return std::nullopt;
        return std::make_pair(trimmed(xml.substr(tagEnd + 1, end - tagEnd - 1)),
                              end + close.size());
    }
    return std::nullopt;
}

std::string withoutDesktopSuffix(std::string_view name) {
    constexpr std::string_view suffix = ".desktop";
    if (name.ends_with(suffix))
        name.remove_suffix(suffix.size());
    return std::string(name);
}

void appendField(std::string& out, std::string_view value) {
    out += std::to_string(value.size());
    out += ':';
    out += value;
}

} // namespace

std::string AppImageIdentity::serialized() const {
    std::string out = imageRead ? "1" : "0";
    for (const std::string* field : {&desktopFileName, &name, &appImageName, &exec, &icon,
                                     &startupWMClass, &appStreamId, &iconData})
        appendField(out, *field);
    return out;
}

std::optional<AppImageIdentity> AppImageIdentity::deserialized(std::string_view bytes) {
    AppImageIdentity identity;
    if (bytes.empty() || (bytes.front() != '0' && bytes.front() != '1'))
        return std::nullopt;
    identity.imageRead = bytes.front() == '1';
    bytes.remove_prefix(1);
    for (std::string* field :
         {&identity.desktopFileName, &identity.name, &identity.appImageName, &identity.exec,
          &identity.icon, &identity.startupWMClass, &identity.appStreamId, &identity.iconData}) {
        const std::size_t colon = bytes.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon > 12)
            return std::nullopt;
        std::size_t size = 0;
        for (char c : bytes.substr(0, colon)) {
            if (c < '0' || c > '9')
                return std::nullopt;
            size = size * 10 + static_cast<std::size_t>(c - '0');
        }
        bytes.remove_prefix(colon + 1);
        if (size > bytes.size())
            return std::nullopt;
        *field = std::string(bytes.substr(0, size));
        bytes.remove_prefix(size);
    }
    if (!bytes.empty())
        return std::nullopt;
    return identity;
}

bool AppImageReader::hasAppImageMagic(const std::string& path) {
    const auto file = platform::ReadOnlyFile::open(path);
    if (!file)
        return false;
    const std::string header = file->readAt(0, 16);
    return header.size() == 16 &&
           header.starts_with("\x7f"
                              "ELF") &&
           header.substr(8, 3) == std::string_view("AI\x02", 3);
}

std::optional<std::uint64_t> AppImageReader::imageOffset(std::string_view elf,
                                                         std::uint64_t fileSize) {
    if (elf.size() < 64 || !elf.starts_with("\x7f"
                                            "ELF"))
        return std::nullopt;
    const bool bigEndian = elf[5] == 2;
    if (elf[5] != 1 && elf[5] != 2)
        return std::nullopt;
    std::uint64_t tableOffset = 0;
    std::uint64_t entrySize = 0;
    std::uint64_t entryCount = 0;
    if (elf[4] == 2) {
        tableOffset = readUnsigned(elf, 0x28, 8, bigEndian);
        entrySize = readUnsigned(elf, 0x3A, 2, bigEndian);
        entryCount = readUnsigned(elf, 0x3C, 2, bigEndian);
    } else if (elf[4] == 1) {
        tableOffset = readUnsigned(elf, 0x20, 4, bigEndian);
        entrySize = readUnsigned(elf, 0x2E, 2, bigEndian);
        entryCount = readUnsigned(elf, 0x30, 2, bigEndian);
    } else {
        return std::nullopt;
    }
    // The sizes are 16-bit, so the product cannot overflow; the sum is checked.
    const std::uint64_t tableSize = entrySize * entryCount;
    if (tableOffset > fileSize || tableSize > fileSize - tableOffset)
        return std::nullopt;
    const std::uint64_t offset = tableOffset + tableSize;
    if (offset + kSquashfsMagic.size() > fileSize)
        return std::nullopt;
    return offset;
}

std::string AppImageReader::nameFromFileName(std::string_view fileName) {
    constexpr std::string_view suffixes[] = {".AppImage", ".appimage", ".APPIMAGE"};
    for (std::string_view suffix : suffixes) {
        if (fileName.size() > suffix.size() && fileName.ends_with(suffix)) {
            fileName.remove_suffix(suffix.size());
            break;
        }
    }
    // "Name-1.2.3-x86_64": the name ends before the first "-" that a digit follows.
    for (std::size_t dash = fileName.find('-'); dash != std::string_view::npos;
         dash = fileName.find('-', dash + 1)) {
        if (dash > 0 && dash + 1 < fileName.size() && fileName[dash + 1] >= '0' &&
            fileName[dash + 1] <= '9')
            return std::string(fileName.substr(0, dash));
    }
    for (std::string_view arch : {"-x86_64", "-aarch64", "-armhf", "-i686", "-i386", "-amd64"}) {
        if (fileName.size() > arch.size() && fileName.ends_with(arch))
            return std::string(fileName.substr(0, fileName.size() - arch.size()));
    }
    return std::string(fileName);
}

std::string AppImageReader::appStreamIdOf(std::string_view metainfo) {
    // One component per file, whose first <id> is its own (a <provides> lists others'
    // ids inside other elements, later).
    const auto id = elementText(metainfo, "id", 0);
    if (!id || !isUsableId(id->first))
        return {};
    return std::string(id->first);
}

AppImageIdentity AppImageReader::readInProcess(const std::string& path) {
    AppImageIdentity identity;
    const auto file = platform::ReadOnlyFile::open(path);
    if (!file)
        return identity;
    const auto offset = imageOffset(file->readAt(0, 64), file->size());
    if (!offset || file->readAt(*offset, kSquashfsMagic.size()) != kSquashfsMagic)
        return identity;
    auto image = SquashfsImage::open(file->descriptor(), *offset, kByteBudget);
    if (!image)
        return identity;
    const auto root = image->list("", kMaxFolderEntries);
    if (!root)
        return identity;
    identity.imageRead = true;

    std::vector<std::string> desktopNames;
    for (const auto& entry : *root) {
        if (!entry.isDirectory && entry.name.size() > 8 && entry.name.ends_with(".desktop"))
            desktopNames.push_back(entry.name);
    }
    std::sort(desktopNames.begin(), desktopNames.end());
    for (const std::string& name : desktopNames) {
        auto text = image->read(name, kMaxDesktopEntryBytes);
        auto entry = text ? DesktopEntry::parse(*text) : std::nullopt;
        if (!entry)
            continue;
        identity.desktopFileName = name;
        identity.name = entry->value("Name").value_or("");
        identity.appImageName = entry->value("X-AppImage-Name").value_or("");
        identity.exec = entry->value("Exec").value_or("");
        identity.icon = entry->value("Icon").value_or("");
        identity.startupWMClass = entry->value("StartupWMClass").value_or("");
        break;
    }

    std::size_t filesRead = 0;
    std::string firstId;
    const std::string bare = withoutDesktopSuffix(identity.desktopFileName);
    for (const char* folder : kMetainfoFolders) {
        auto entries = image->list(folder, kMaxFolderEntries);
        if (!entries)
            continue;
        std::sort(entries->begin(), entries->end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        for (const auto& entry : *entries) {
            if (entry.isDirectory || !entry.name.ends_with(".xml") ||
                filesRead++ >= kMaxMetainfoFiles)
                continue;
            auto text = image->read(std::string(folder) + "/" + entry.name, kMaxMetainfoBytes);
            if (!text)
                continue;
            const std::string id = appStreamIdOf(*text);
            if (id.empty())
                continue;
            const auto launchable = elementText(*text, "launchable", 0, "desktop-id");
            const bool ours = (launchable && !identity.desktopFileName.empty() &&
                               launchable->first == identity.desktopFileName) ||
                              (!bare.empty() && (id == bare || id == identity.desktopFileName));
            if (ours && identity.appStreamId.empty())
                identity.appStreamId = id;
            if (firstId.empty())
                firstId = id;
        }
    }
    if (identity.appStreamId.empty())
        identity.appStreamId = firstId;

    std::optional<std::string> icon = image->read(".DirIcon", kMaxIconBytes);
    if (!icon && !identity.icon.empty() && identity.icon.find('/') == std::string::npos) {
        for (const char* extension : {".png", ".svg", ".xpm"}) {
            if ((icon = image->read(identity.icon + extension, kMaxIconBytes)))
                break;
        }
    }
    if (icon)
        identity.iconData = std::move(*icon);
    return identity;
}

AppImageIdentity AppImageReader::read(const std::string& path) {
    platform::LimitedChild::Limits limits;
    limits.memoryBytes = std::size_t(256) << 20;
    limits.seconds = 5.0;
    limits.answerBytes = 2 * kMaxDesktopEntryBytes + kMaxIconBytes + 4096;
    const auto result =
        platform::LimitedChild::run([&path] { return readInProcess(path).serialized(); }, limits);
    if (result.outcome != platform::LimitedChild::Outcome::Answered)
        return {};
    return AppImageIdentity::deserialized(result.answer).value_or(AppImageIdentity{});
}
