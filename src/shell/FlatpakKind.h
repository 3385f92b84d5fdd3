#pragma once

#include "shell/ApplicationKind.h"
#include "shell/FlatpakMemory.h"

#include <string>
#include <string_view>

// Flatpak applications: installed into an installation (FlatpakInstallations) and removed
// by `flatpak uninstall`, which leaves the application's sandbox data (~/.var/app/<id>) and
// the user's permission overrides behind. They never reach the Trash: FlatpakWatcher
// notices them leave their installations and hands on the bundle made here from what was
// remembered of them (FlatpakMemory).
//
// The bundle of a Flatpak application lies where the application was,
// <installation>/app/<id>, which no longer exists; its information dictionary holds
// CFBundleIdentifier (the id), CFBundleName, CFBundleDisplayName and CFBundleExecutable
// (the remembered name) and the keys below. The application itself is not offered: flatpak removed
// it.
class FlatpakKind final : public ApplicationKind {
public:
    static constexpr std::string_view kInstallationKey = "FlatpakInstallation";
    // An array of the [Context] filesystems it could write (FlatpakMemory::Record).
    static constexpr std::string_view kWritableFoldersKey = "FlatpakWritableFolders";

    static std::shared_ptr<platform::Bundle> applicationFor(const FlatpakMemory::Record& record);
    // The bundle for an id of which nothing is remembered: named by the id's last part.
    static std::shared_ptr<platform::Bundle> applicationFor(const std::string& id);

    platform::Bundle::Kind kind() const override { return platform::Bundle::Kind::Flatpak; }
    // Flatpak applications are never found as items in the Trash.
    bool mayBeApplicationAt(const std::string&) const override { return false; }
    std::shared_ptr<platform::Bundle> applicationAt(const std::string&) const override {
        return nullptr;
    }
    // ~/.var/app/<id> as one item, the user installation's overrides/<id>, and the host
    // folders its metadata let it write when they are named exactly after the application
    // (its name or the id's last part, a leading "." aside) and no installed Flatpak
    // application goes by that name or may write there too. Nothing reached through a
    // link.
    std::vector<Place> standardPlaces(const platform::Bundle& application) const override;
    // Whether the id is installed in any installation.
    bool anotherCopyInstalled(const platform::Bundle& application,
                              std::chrono::steady_clock::time_point deadline) const override;
};
