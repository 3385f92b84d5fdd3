#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What an AppImage says about itself, read from the SquashFS image inside it: the
// top-level desktop entry, the AppStream component id and the icon. The file is read,
// never run: its runtime is not started, its image not mounted nor extracted.
struct AppImageIdentity {
    // Whether the image could be read at all; when not, only the file name is known.
    bool imageRead{false};
    // The desktop entry's file name, with ".desktop".
    std::string desktopFileName;
    std::string name;
    std::string appImageName;
    std::string exec;
    std::string icon;
    std::string startupWMClass;
    std::string appStreamId;
    // The icon's encoded image (.DirIcon, else the entry's Icon at the top level).
    std::string iconData;

    std::string serialized() const;
    static std::optional<AppImageIdentity> deserialized(std::string_view bytes);
};

class AppImageReader {
public:
    // Limits of what one AppImage may cost to read.
    static constexpr std::size_t kMaxDesktopEntryBytes = std::size_t(1) << 20;
    static constexpr std::size_t kMaxMetainfoBytes = std::size_t(1) << 20;
    static constexpr std::size_t kMaxMetainfoFiles = 16;
    static constexpr std::size_t kMaxIconBytes = std::size_t(2) << 20;
    static constexpr std::size_t kMaxFolderEntries = 4096;
    static constexpr std::uint64_t kByteBudget = std::uint64_t(16) << 20;

    // Whether the first bytes are an ELF header with the type-2 AppImage mark
    // ("AI\x02" at offset 8). Reads 16 bytes; a link is not followed.
    static bool hasAppImageMagic(const std::string& path);

    // Where the image starts: the end of the ELF section-header table; none when the
    // header is malformed or the offset lies past the end of a file of `fileSize` bytes.
    static std::optional<std::uint64_t> imageOffset(std::string_view elfHeader,
                                                    std::uint64_t fileSize);

    // Reads the identity in this process. For the reader's own child and the fuzzer; the
    // helper calls read().
    static AppImageIdentity readInProcess(const std::string& path);

    // Reads the identity in a short-lived child process with limits on memory, time and
    // bytes read; an image that cannot be read, or a child that fails, gives an identity
    // with imageRead false.
    static AppImageIdentity read(const std::string& path);

    // The application's name from the file name alone: "Name-1.2.3-x86_64.AppImage" gives
    // "Name", "Foo_Bar.AppImage" gives "Foo_Bar".
    static std::string nameFromFileName(std::string_view fileName);

    // The id of the AppStream component in `metainfo`; empty when it has none that can be
    // an id (reverse-DNS characters only). Of several files, read() takes the one whose
    // launchable or id names the desktop entry, else the first.
    static std::string appStreamIdOf(std::string_view metainfo);
};
