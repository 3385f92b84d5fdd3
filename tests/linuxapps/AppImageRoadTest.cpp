#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "platform/TimeScale.h"
#include "shell/AppImageKind.h"
#include "shell/AppsInTrashWatcher.h"
#include "shell/DirectoryWatcher.h"
#include "shell/TrashTestSupport.h"
#include "support/AppImageTestSupport.h"
#include "support/ProgramRun.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using namespace testing_support;

namespace {

std::string home() {
    return Sandbox::process().home();
}

void put(const std::string& path, const std::string& contents = "x") {
    makeDirs(path.substr(0, path.rfind('/')));
    writeFile(path, contents);
}

// The MD5 that desktop tools name a file's thumbnails and menu entries by, worked out by
// the system's own md5sum from the URI as written by hand.
std::string md5Of(const std::string& text) {
    const std::string file = Sandbox::process().makeFolder("md5") + "/text";
    writeFile(file, text);
    std::FILE* pipe = popen(("md5sum '" + file + "'").c_str(), "r");
    char digest[33] = {};
    EXPECT_EQ(std::fread(digest, 1, 32, pipe), 32u);
    pclose(pipe);
    return digest;
}

// An AppImage moved to the home Trash from where `escapedOriginal` says, with its trash
// information.
std::string trashAppImage(const std::string& trashedName, const std::string& image,
                          const std::string& escapedOriginal) {
    makeDirs(Sandbox::process().trash());
    const std::string trashed = Sandbox::process().trash() + "/" + trashedName;
    writeAppImage(trashed, image);
    put(home() + "/.local/share/Trash/info/" + trashedName + ".trashinfo",
        "[Trash Info]\nPath=" + escapedOriginal + "\nDeletionDate=2026-12-01T10:00:00\n");
    return trashed;
}

struct Offer {
    std::set<std::string> paths;
    std::string reasons;
};

Offer dryRun(const std::string& path) {
    const ProgramRun run = runProgram(SWEEPWISE_LEFTOVERS_TOOL, {"--json", path});
    Offer offer;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    if (document.is_discarded() || !document.contains("items")) {
        ADD_FAILURE() << run.out << run.err;
        return offer;
    }
    for (const auto& item : document["items"]) {
        std::string itemPath = item["path"];
        if (itemPath.starts_with(home()))
            itemPath = "~" + itemPath.substr(home().size());
        offer.paths.insert(itemPath);
        offer.reasons += itemPath + " <- " + std::string(item["reason"]) + "\n";
    }
    return offer;
}

class AppImageRoad : public testing::Test {
protected:
    void TearDown() override {
        for (const char* folder :
             {".config", ".cache", ".local", "Applications", "AppImages", "Documents"})
            removeTree(home() + "/" + folder);
        makeDirs(Sandbox::process().trash());
        makeDirs(home() + "/.local/share/Trash/info");
    }
};

} // namespace

// The whole offer for a trashed AppImage: what integration tools made for its original
// location, entries that run it, and its folders under the base directories by each of
// its names, exactly; and nothing that merely resembles it.
TEST_F(AppImageRoad, OffersItsIntegrationFilesAndItsFoldersByEachName) {
    const std::string original = home() + "/My Apps/Paint-2.0-x86_64.AppImage";
    const std::string uri = "file://" + home() + "/My%20Apps/Paint-2.0-x86_64.AppImage";
    const std::string md5 = md5Of(uri);
    const std::string trashed = trashAppImage(
        "Paint-2.0-x86_64.AppImage",
        squashfsImage(typicalImage("org.example.Paint", "Paint", "paint-bin",
                                   "X-AppImage-Name=Paint Studio\nStartupWMClass=paint-studio\n")),
        home() + "/My%20Apps/Paint-2.0-x86_64.AppImage");

    const std::set<std::string> offered{
        "~/.local/share/applications/appimagekit_" + md5 + "-Paint.desktop",
        "~/.local/share/icons/hicolor/256x256/apps/appimagekit_" + md5 + "_paint.png",
        "~/.cache/thumbnails/normal/" + md5 + ".png",
        "~/.cache/thumbnails/x-large/" + md5 + ".png",
        "~/.local/share/applications/wine/by-hand.desktop",
        "~/.config/autostart/paint.desktop",
        "~/.config/org.example.Paint",
        "~/.config/paint-studio",
        "~/.cache/paint",
        "~/.local/share/Paint Studio",
        "~/.local/state/paint-bin",
    };
    const std::set<std::string> kept{
        "~/.local/share/applications/appimagekit_" + md5 + "0-Paint.desktop",
        "~/.local/share/applications/other.desktop",
        "~/.cache/thumbnails/normal/" + md5Of(uri + "x") + ".png",
        "~/.config/PAINT",
        "~/.config/Paint.old",
        "~/.config/paintings",
        "~/Documents/Paint",
        "~/.config/autostart/other.desktop",
    };
    for (const std::string& path : offered)
        put(home() + path.substr(1));
    for (const std::string& path : kept)
        put(home() + path.substr(1));
    put(home() + "/.local/share/applications/wine/by-hand.desktop",
        "[Desktop Entry]\nExec=\"" + original + "\" %U\n");
    put(home() + "/.config/autostart/paint.desktop",
        "[Desktop Entry]\nExec=env A=1 \"" + original + "\"\n");
    put(home() + "/.config/autostart/other.desktop",
        "[Desktop Entry]\nExec=" + original + ".old\n");
    put(home() + "/.local/share/applications/other.desktop",
        "[Desktop Entry]\nTryExec=/usr/bin/paint\n");

    const Offer offer = dryRun(trashed);
    std::set<std::string> expected = offered;
    expected.insert("~/.local/share/Trash/files/Paint-2.0-x86_64.AppImage");
    EXPECT_EQ(offer.paths, expected) << offer.reasons;
    for (const char* why :
         {"thumbnail (~/.cache/thumbnails/normal): MD5 of file://",
          "autostart entry (~/.config/autostart): runs ", "settings (~/.config): name paint-studio",
          "state (~/.local/state): executable paint-bin"})
        EXPECT_NE(offer.reasons.find(why), std::string::npos) << why << "\n" << offer.reasons;
}

// Names from an image are anyone's to write: names that cannot name a folder, that are
// common words, or that are the desktop's shared folders take nothing, and an image that
// cannot be read is offered with its exact integration files only.
TEST_F(AppImageRoad, BadNamesAndUnreadableImagesTakeOnlyExactMatches) {
    for (const char* folder :
         {".config/Files", ".config/Settings", ".local/share/files", ".local/share/settings",
          ".local/share/applications", ".local/share/icons", ".cache/thumbnails",
          ".config/autostart", ".local/share/Trash"})
        put(home() + "/" + folder + "/keep");
    const std::pair<const char*, std::string> cases[] = {
        {"empty", squashfsImage({{"x.desktop", desktopEntry("", "")}})},
        {"dot", squashfsImage({{"x.desktop", desktopEntry(".", ".")}})},
        {"dot dot", squashfsImage({{"x.desktop", desktopEntry("..", "..")}})},
        {"slash", squashfsImage({{"x.desktop", desktopEntry("a/b", "/bin/sh")}})},
        {"common words", squashfsImage({{"x.desktop", desktopEntry("Files", "Settings")}})},
        {"shared folders",
         squashfsImage({{"applications.desktop",
                         desktopEntry("applications", "autostart",
                                      "StartupWMClass=thumbnails\nX-AppImage-Name=icons\n")},
                        {"usr/share/metainfo/t.xml", metainfo("Trash")}})},
        {"unreadable image", std::string(4096, 'z')},
    };
    int index = 0;
    for (const auto& [what, image] : cases) {
        const std::string name = "Files-" + std::to_string(++index) + ".AppImage";
        const std::string trashed = trashAppImage(name, image, home() + "/Applications/" + name);
        const Offer offer = dryRun(trashed);
        EXPECT_EQ(offer.paths, std::set<std::string>{"~/.local/share/Trash/files/" + name})
            << what << "\n"
            << offer.reasons;
    }
}

// Another copy keeps the settings: an AppImage with the same AppStream id or
// X-AppImage-Name where AppImages are kept, or a menu entry with the same id or name;
// the removed file's own entries and entries whose program is gone do not count.
TEST_F(AppImageRoad, AnotherInstalledCopyIsFoundByIdOrName) {
    const std::string trashed =
        trashAppImage("Paint.AppImage",
                      squashfsImage(typicalImage("org.example.Paint", "Paint", "paint",
                                                 "X-AppImage-Name=Paint Studio\n")),
                      home() + "/Applications/Paint.AppImage");
    const auto application = AppImageKind().applicationAt(trashed);
    ASSERT_TRUE(application);
    EXPECT_EQ(application->bundleIdentifier(), "org.example.Paint");
    EXPECT_EQ(application->iconData(), tinyPng());

    const std::string entries = home() + "/.local/share/applications/";
    const std::string root = Sandbox::process().root();
    const struct {
        const char* what;
        std::string path;
        std::string contents;
        bool installed;
    } cases[] = {
        {"nothing else", home() + "/Documents/unrelated", "x", false},
        {"its own integration entry", entries + "appimagekit_0-Paint.desktop",
         "[Desktop Entry]\nName=Paint\nExec=" + home() + "/Applications/Paint.AppImage\n", false},
        {"an entry whose program is gone", entries + "stale.desktop",
         "[Desktop Entry]\nName=Paint\nExec=/nowhere/Paint.AppImage\n", false},
        {"a hidden entry", entries + "org.example.Paint.desktop",
         "[Desktop Entry]\nName=Paint\nExec=paint\nHidden=true\n", false},
        {"a package's entry by id", root + "/usr/share/applications/org.example.Paint.desktop",
         "[Desktop Entry]\nName=Other\nExec=paint\n", true},
        {"an entry by name", entries + "paint-snap.desktop",
         "[Desktop Entry]\nName=Paint\nExec=p\n", true},
        {"an AppImage by id", home() + "/Applications/Tools/Paint-3.0.AppImage",
         appImageStub() + squashfsImage(typicalImage("org.example.Paint", "Paint 3", "paint")),
         true},
        {"an AppImage by X-AppImage-Name", home() + "/AppImages/P.AppImage",
         appImageStub() +
             squashfsImage(typicalImage("org.other.P", "P", "p", "X-AppImage-Name=Paint Studio\n")),
         true},
        {"an AppImage of another application", home() + "/Applications/Draw.AppImage",
         appImageStub() + squashfsImage(typicalImage("org.example.Draw", "Draw", "draw")), false},
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (const auto& c : cases) {
        put(c.path, c.contents);
        EXPECT_EQ(AppImageKind().anotherCopyInstalled(*application, deadline), c.installed)
            << c.what;
        removeTree(c.path);
    }
    removeTree(root + "/usr");
}

// Trashing an AppImage, alone or inside a folder, reaches the listener as an application of
// its kind with its identity; other files do not.
TEST_F(AppImageRoad, TheTrashWatcherReportsAppImagesWithTheirIdentity) {
    platform::setTimeScale(0.05);
    struct Listener : AppsInTrashWatcherListener {
        void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) override {
            reported.insert(bundle->bundleIdentifier().value_or("?") + " " +
                            platform::Path::lastComponent(bundle->bundlePath()));
            EXPECT_EQ(bundle->kind(), platform::Bundle::Kind::AppImage);
        }
        std::set<std::string> reported;
    };
    auto listener = std::make_shared<Listener>();
    auto watcher = AppsInTrashWatcher::create(listener);
    const std::string outside = Sandbox::process().makeFolder("downloads");
    writeAppImage(outside + "/Paint.AppImage",
                  squashfsImage(typicalImage("org.example.Paint", "Paint", "paint")));
    makeDirs(outside + "/Folder/Deeper");
    writeAppImage(outside + "/Folder/Deeper/Draw-1.0.AppImage", "not an image");
    writeAppImage(outside + "/Folder/NoMark.AppImage", "x", false);
    writeFile(outside + "/notes.txt", "AI\x02");
    for (const char* name : {"Paint.AppImage", "Folder", "notes.txt"})
        ASSERT_EQ(std::rename((outside + "/" + name).c_str(),
                              (Sandbox::process().trash() + "/" + name).c_str()),
                  0);
    EXPECT_TRUE(waitFor([&] { return listener->reported.size() >= 2; }));
    runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(listener->reported, (std::set<std::string>{"org.example.Paint Paint.AppImage",
                                                         "Draw Draw-1.0.AppImage"}));
    watcher.reset();
    platform::setTimeScale(1.0);
    for (const char* name : {"Paint.AppImage", "Folder", "notes.txt"})
        removeTree(Sandbox::process().trash() + "/" + name);
}
