#pragma once

// Flatpak installations laid out as `flatpak install` lays them out (recorded from
// flatpak 1.14 on Debian 12, `flatpak --user install` of an application built with
// build-init, build-finish and build-export into a local repository):
//
//   <installation>/app/<id>/current            -> x86_64/stable
//   <installation>/app/<id>/x86_64/stable/active -> <commit>
//   <installation>/app/<id>/x86_64/stable/<commit>/{metadata,deploy,files/,export/}
//   <installation>/.changed                     touched on every change
//
// The export folder holds share/applications/<id>.desktop and
// share/icons/hicolor/<size>/apps/<id>.png.

#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <string>

namespace testing_support {

inline std::string userInstallation() {
    return Sandbox::process().home() + "/.local/share/flatpak";
}

inline std::string systemInstallation() {
    return Sandbox::process().root() + "/var/lib/flatpak";
}

// A minimal PNG: the 8-byte signature and enough bytes to be taken as one by its size.
inline const std::string kIconBytes = std::string("\x89PNG\r\n\x1a\n", 8) + "icon-bytes";

struct FlatpakApp {
    std::string id;
    std::string name = "Example";
    std::string commit = "4757de1bb49665603576f828e6d55d81914182c57aa7bca7a501435222ac67f4";
    std::string branch = "stable";
    std::string context = "[Context]\nfilesystems=~/.hello;xdg-config/hello;\n";
    bool icon = true;
};

// Deploys `app` in `installation` and makes its commit the active one and its branch the
// current one; answers the commit's folder.
inline std::string deployFlatpak(const std::string& installation, const FlatpakApp& app) {
    const std::string appFolder = installation + "/app/" + app.id;
    const std::string branch = appFolder + "/x86_64/" + app.branch;
    const std::string commit = branch + "/" + app.commit;
    makeDirs(commit + "/files/bin");
    makeDirs(commit + "/export/share/applications");
    writeFile(commit + "/metadata", "[Application]\nname=" + app.id +
                                        "\nruntime=org.test.Platform/x86_64/stable\n\n" + app.context);
    writeFile(commit + "/deploy", "");
    writeFile(commit + "/export/share/applications/" + app.id + ".desktop",
              "[Desktop Entry]\nType=Application\nName=" + app.name + "\nIcon=" + app.id + "\n");
    if (app.icon) {
        makeDirs(commit + "/export/share/icons/hicolor/64x64/apps");
        writeFile(commit + "/export/share/icons/hicolor/64x64/apps/" + app.id + ".png", kIconBytes);
    }
    removeTree(branch + "/active");
    makeLink(app.commit, branch + "/active");
    removeTree(appFolder + "/current");
    makeLink("x86_64/" + app.branch, appFolder + "/current");
    writeFile(installation + "/.changed", "");
    return commit;
}

// What `flatpak uninstall` leaves: the application's folder gone, ".changed" touched.
inline void uninstallFlatpak(const std::string& installation, const std::string& id) {
    removeTree(installation + "/app/" + id);
    writeFile(installation + "/.changed", "");
}

} // namespace testing_support
