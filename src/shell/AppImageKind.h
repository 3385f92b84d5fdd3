#pragma once

#include "shell/ApplicationKind.h"

#include <string>
#include <string_view>
#include <vector>

// AppImages: single executable files with an ELF runtime followed by a SquashFS image,
// kept in ~/Applications, ~/AppImages or ~/Downloads and removed by moving them to the
// Trash. Their identity is read from the image by AppImageReader, in a limited child
// process; the file is never run.
//
// The bundle of an AppImage holds, in its information dictionary: CFBundleIdentifier (the
// AppStream id, else the desktop entry's name without ".desktop", else the name taken from
// the file name), CFBundleName (Name), CFBundleDisplayName (X-AppImage-Name),
// CFBundleExecutable (the program the entry's Exec runs, without its folder), and the keys
// below.
class AppImageKind final : public ApplicationKind {
public:
    static constexpr std::string_view kStartupWMClassKey = "StartupWMClass";
    // Where the file was before it was trashed (from its trash information); the file's
    // own path when it is in no Trash.
    static constexpr std::string_view kOriginalPathKey = "AppImageOriginalPath";
    // Whether the image could be read; without it only the exact places are offered.
    static constexpr std::string_view kImageReadKey = "AppImageImageRead";
    static constexpr std::string_view kAppStreamIdKey = "AppImageAppStreamId";
    // The entry's X-AppImage-Name, as given (possibly empty).
    static constexpr std::string_view kAppImageNameKey = "AppImageName";

    // The folders where AppImages are kept installed, under the sandbox's home and root.
    static std::vector<std::string> applicationFolders();

    platform::Bundle::Kind kind() const override { return platform::Bundle::Kind::AppImage; }
    bool mayBeApplicationAt(const std::string& path) const override;
    std::shared_ptr<platform::Bundle> applicationAt(const std::string& path) const override;
    std::vector<Place> standardPlaces(const platform::Bundle& application) const override;
    bool anotherCopyInstalled(const platform::Bundle& application,
                              std::chrono::steady_clock::time_point deadline) const override;
};
