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

// A 1x1 PNG, which flatpak's icon check accepts.
inline const std::string kIconBytes = std::string(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00"
    "\x00\x01\x08\x06\x00\x00\x00\x1f\x15\xc4\x89\x00\x00\x00\x0d\x49\x44\x41\x54\x78\xda"
    "\x63\x64\x60\xf8\x5f\x0f\x00\x02\x87\x01\x80\xeb\x47\xba\x92\x00\x00\x00\x00\x49\x45"
    "\x4e\x44\xae\x42\x60\x82",
    70);

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
                                        "\nruntime=org.test.Platform/x86_64/stable\n\n" +
                                        app.context);
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
