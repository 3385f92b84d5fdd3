#include "platform/MainQueue.h"
#include "platform/TimeScale.h"
#include "shell/FlatpakInstallations.h"
#include "shell/FlatpakKind.h"
#include "shell/FlatpakMemory.h"
#include "shell/FlatpakWatcher.h"
#include "support/FlatpakTestSupport.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using namespace testing_support;

namespace {

std::string home() {
    return Sandbox::process().home();
}

std::set<std::string> installedIds(const std::string& installation) {
    std::set<std::string> ids;
    for (const auto& [id, commit] : FlatpakInstallations::installedApplications(installation)
                                        .value_or(std::map<std::string, std::string>{}))
        ids.insert(id);
    return ids;
}

// What the dry run offers for an uninstalled id, "~"-relative; the exit status beside.
std::pair<std::set<std::string>, int> dryRun(const std::string& id) {
    const ProgramRun run = runProgram(SWEEPWISE_LEFTOVERS_TOOL, {"--json", "--flatpak", id});
    std::set<std::string> paths;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    if (!document.is_discarded() && document.contains("items")) {
        for (const auto& item : document["items"]) {
            std::string path = item["path"];
            paths.insert(path.starts_with(home()) ? "~" + path.substr(home().size()) : path);
        }
    }
    return {paths, run.status};
}

class Flatpak : public testing::Test {
protected:
    void SetUp() override { platform::setTimeScale(0.05); }
    void TearDown() override {
        platform::setTimeScale(1.0);
        for (const std::string& folder :
             {home() + "/.local/share/flatpak", home() + "/.var", home() + "/.cache",
              home() + "/.config", home() + "/.hello", home() + "/.other",
              Sandbox::process().root() + "/var", Sandbox::process().root() + "/etc",
              Sandbox::process().root() + "/mnt"})
            removeTree(folder);
    }
};

// Collects what a watcher reports, on the main thread.
struct Reports {
    std::vector<std::shared_ptr<platform::Bundle>> bundles;
    FlatpakWatcher::Report callback() {
        return
            [this](const std::shared_ptr<platform::Bundle>& bundle) { bundles.push_back(bundle); };
    }
};

bool runUntil(const std::function<bool()>& predicate) {
    return platform::MainQueue::shared().runUntil(predicate, std::chrono::seconds(10));
}

// Lets the watcher's quiet delay pass and its listing finish.
void settle(const FlatpakWatcher& watcher) {
    const std::size_t listings = watcher.listingCount();
    ASSERT_TRUE(runUntil([&] { return watcher.listingCount() > listings; }));
    platform::MainQueue::shared().runUntil([] { return false; }, std::chrono::milliseconds(50));
}

} // namespace

// An application counts as installed only while a commit folder with metadata is deployed
// inside its own folder and reached through "current" or a branch's "active".
TEST_F(Flatpak, InstalledOnlyWhileACommitIsDeployedInsideItsFolder) {
    const std::string user = userInstallation();
    const std::string outside = Sandbox::process().makeFolder("outside");
    struct Case {
        const char* id;
        std::function<void(const std::string& appFolder)> damage;
        bool installed;
    } cases[] = {
        {"org.example.Plain", [](const std::string&) {}, true},
        {"org.example.Updated",
         [](const std::string& app) {
             // A new commit deployed and "active" switched to it.
             makeDirs(app + "/x86_64/stable/abc123");
             writeFile(app + "/x86_64/stable/abc123/metadata", "[Application]\n");
             removeTree(app + "/x86_64/stable/active");
             makeLink("abc123", app + "/x86_64/stable/active");
         },
         true},
        {"org.example.SecondBranch",
         [](const std::string& app) {
             // The current branch gone, a second one still deployed.
             removeTree(app + "/current");
             removeTree(app + "/x86_64/stable");
             makeDirs(app + "/x86_64/beta/c0ffee");
             writeFile(app + "/x86_64/beta/c0ffee/metadata", "[Application]\n");
             makeLink("c0ffee", app + "/x86_64/beta/active");
         },
         true},
        {"org.example.Dangling",
         [](const std::string& app) {
             removeTree(app + "/x86_64/stable/active");
             makeLink("gone", app + "/x86_64/stable/active");
         },
         false},
        {"org.example.Outside",
         [&](const std::string& app) {
             makeDirs(outside + "/commit");
             writeFile(outside + "/commit/metadata", "[Application]\n");
             removeTree(app + "/x86_64");
             removeTree(app + "/current");
             makeLink(outside, app + "/current");
             makeLink(outside + "/commit", app + "/active");
         },
         false},
        {"org.example.NoMetadata",
         [](const std::string& app) {
             removeTree(
                 app + "/x86_64/stable/"
                       "4757de1bb49665603576f828e6d55d81914182c57aa7bca7a501435222ac67f4/metadata");
         },
         false},
        {"org.example.Loop",
         [](const std::string& app) {
             removeTree(app + "/x86_64/stable/active");
             makeLink("active", app + "/x86_64/stable/active");
         },
         false},
    };
    for (const Case& test : cases) {
        deployFlatpak(user, {.id = test.id});
        test.damage(user + "/app/" + test.id);
    }
    // A folder that is a link to a deployed application is not one.
    deployFlatpak(outside, {.id = "org.example.Linked"});
    makeLink(outside + "/app/org.example.Linked", user + "/app/org.example.Linked");
    // Names that cannot be ids, made by hand.
    for (const std::string bad : {"one", "org..x", "org.ex\xff.App", ".hidden.app", "org.9.x"}) {
        deployFlatpak(outside, {.id = "org.example.Source"});
        std::filesystem::rename(outside + "/app/org.example.Source", user + "/app/" + bad);
        EXPECT_FALSE(FlatpakInstallations::deployedCommit(user, bad)) << bad;
    }
    EXPECT_FALSE(FlatpakInstallations::deployedCommit(user, "../app/org.example.Plain"));

    const std::set<std::string> ids = installedIds(user);
    for (const Case& test : cases)
        EXPECT_EQ(ids.count(test.id), test.installed ? 1u : 0u) << test.id;
    EXPECT_EQ(ids.size(), 3u);

    // An installation that is a link loop, or missing, is not known rather than empty.
    const std::string loop = Sandbox::process().makeFolder("loop") + "/flatpak";
    makeLink(loop, loop);
    EXPECT_FALSE(FlatpakInstallations::installedApplications(loop));
    EXPECT_FALSE(FlatpakInstallations::installedApplications(outside + "/none"));
}

// The configured installations come after the user's and the system's, under the root,
// each once; groups other than installations and paths that are not absolute are skipped.
TEST_F(Flatpak, ConfiguredInstallationsLieUnderTheRoot) {
    const std::string conf = Sandbox::process().root() + "/etc/flatpak/installations.d";
    makeDirs(conf);
    writeFile(conf + "/extra.conf",
              "[Installation \"extra\"]\nPath=/mnt/apps/flatpak\nDisplayName=Extra\n"
              "[Other]\nPath=/not/this\n[Installation \"relative\"]\nPath=relative/path\n");
    writeFile(conf + "/same.conf", "[Installation \"again\"]\n Path = /mnt/apps/flatpak \n");
    writeFile(conf + "/ignored.txt", "[Installation \"x\"]\nPath=/x\n");
    writeFile(conf + "/huge.conf", std::string(FlatpakInstallations::kMaxConfigBytes + 1, '['));

    std::vector<std::string> paths;
    for (const auto& installation : FlatpakInstallations::all())
        paths.push_back(installation.path);
    EXPECT_EQ(paths, (std::vector<std::string>{userInstallation(), systemInstallation(),
                                               Sandbox::process().root() + "/mnt/apps/flatpak"}));
}

// What is remembered of an installed application: its name, its own icon only, and the
// host folders its metadata lets it write; bad metadata gives none, never a failure.
TEST_F(Flatpak, RemembersNameOwnIconAndWritableFolders) {
    const std::string user = userInstallation();
    std::string commit = deployFlatpak(user, {.id = "org.example.Paint", .name = "Paint"});
    FlatpakMemory::Record record = FlatpakMemory::readInstalled("org.example.Paint", user, commit);
    EXPECT_EQ(record.name, "Paint");
    EXPECT_EQ(record.iconData, kIconBytes);
    EXPECT_EQ(record.writableFolders, (std::vector<std::string>{"~/.hello", "xdg-config/hello"}));

    // An entry naming another application's icon does not take it.
    commit = deployFlatpak(user, {.id = "org.example.Thief", .icon = false});
    writeFile(commit + "/export/share/applications/org.example.Thief.desktop",
              "[Desktop Entry]\nName=Thief\nIcon=org.example.Paint\n");
    makeDirs(commit + "/export/share/icons/hicolor/64x64/apps");
    writeFile(commit + "/export/share/icons/hicolor/64x64/apps/org.example.Paint.png", "other");
    EXPECT_EQ(FlatpakMemory::readInstalled("org.example.Thief", user, commit).iconData, "");

    // 50 MB of metadata, or metadata that is not a key file: no folders, and the name
    // falls back to the id's last part when the entry is missing.
    writeFile(commit + "/metadata", std::string(50 << 20, 'x'));
    removeTree(commit + "/export/share/applications/org.example.Thief.desktop");
    record = FlatpakMemory::readInstalled("org.example.Thief", user, commit);
    EXPECT_TRUE(record.writableFolders.empty());
    EXPECT_EQ(record.name, "Thief");
    writeFile(commit + "/metadata", std::string("\x7f"
                                                "ELF\0\0[Context]",
                                                14));
    EXPECT_TRUE(
        FlatpakMemory::readInstalled("org.example.Thief", user, commit).writableFolders.empty());

    // Which filesystems entries give a folder to write.
    EXPECT_EQ(FlatpakMemory::writableFolders(
                  "[Application]\nfilesystems=~/.app\n[Context]\n"
                  "filesystems=home/.a;~/.b:ro;!~/.c;xdg-config/d:create;xdg-data/e/f;"
                  "~/.g/h;xdg-cache/..;home;host;/etc/i;~/.j:rw;xdg-config/d\n"
                  "[Session Bus Policy]\nfilesystems=~/.k\n"),
              (std::vector<std::string>{"~/.a", "xdg-config/d", "~/.j"}));
}

// The memory survives a restart, written atomically; a damaged list is a fresh start.
TEST_F(Flatpak, MemoryRoundTripsAndADamagedListIsAFreshStart) {
    FlatpakMemory memory;
    memory.records()["org.example.A"] = {"org.example.A", userInstallation(), "c1", "A \xff",
                                         {"~/.a"},        kIconBytes,         0};
    memory.records()["org.example.B"] = {"org.example.B", userInstallation(), "c2", "B", {}, "", 0};
    ASSERT_TRUE(memory.save());
    FlatpakMemory loaded = FlatpakMemory::load();
    ASSERT_EQ(loaded.records().size(), 2u);
    EXPECT_EQ(loaded.records()["org.example.A"].iconData, kIconBytes);
    EXPECT_EQ(loaded.records()["org.example.A"].writableFolders, std::vector<std::string>{"~/.a"});

    // A forgotten record takes its icon along.
    loaded.records().erase("org.example.A");
    ASSERT_TRUE(loaded.save());
    EXPECT_FALSE(std::filesystem::exists(FlatpakMemory::folder() + "/org.example.A.icon"));

    for (const std::string damaged :
         {"", "{", "[]", "{\"applications\":7}",
          "{\"applications\":[{\"id\":\"../../x\",\"installation\":\"/i\"},3,{\"id\":5}]}"}) {
        writeFile(FlatpakMemory::folder() + "/applications.json", damaged);
        EXPECT_TRUE(FlatpakMemory::load().records().empty()) << damaged;
    }
}

// The offer for an uninstalled id: its sandbox data as one item, its overrides, and the
// host folders it could write only when named exactly after it and no installed
// application uses the name; nothing reached through a link, nothing while installed.
TEST_F(Flatpak, OffersSandboxDataOverridesAndOnlyItsOwnHostFolders) {
    const std::string user = userInstallation();
    const std::string id = "org.example.Hello";
    const std::string commit = deployFlatpak(
        user,
        {.id = id,
         .name = "Hello",
         .context =
             "[Context]\nfilesystems=~/.hello;~/.other;xdg-config/hello;xdg-config/shared\n"});
    makeDirs(home() + "/.var/app/" + id + "/config");
    writeFile(home() + "/.var/app/" + id + "/config/settings", "x");
    makeDirs(user + "/overrides");
    writeFile(user + "/overrides/" + id, "[Context]\n");
    makeDirs(home() + "/.hello");
    makeDirs(home() + "/.other");
    makeDirs(home() + "/.config/hello");
    makeDirs(home() + "/.config/shared");

    // Installed: nothing.
    EXPECT_EQ(dryRun(id), (std::pair<std::set<std::string>, int>{{}, 1}));

    FlatpakMemory memory;
    memory.records()[id] = FlatpakMemory::readInstalled(id, user, commit);
    ASSERT_TRUE(memory.save());
    uninstallFlatpak(user, id);
    EXPECT_EQ(dryRun(id).first,
              (std::set<std::string>{"~/.var/app/" + id, "~/.local/share/flatpak/overrides/" + id,
                                     "~/.hello", "~/.config/hello"}));

    // Listed among the orphans, beside nothing that is installed or not an id.
    makeDirs(home() + "/.var/app/org.example.Installed");
    deployFlatpak(user, {.id = "org.example.Installed", .context = ""});
    makeDirs(home() + "/.var/app/not-an-id");
    const ProgramRun orphans =
        runProgram(SWEEPWISE_LEFTOVERS_TOOL, {"--json", "--flatpak-orphans"});
    const auto listed = nlohmann::json::parse(orphans.out, nullptr, false);
    ASSERT_TRUE(!listed.is_discarded() && listed["orphans"].size() == 1u) << orphans.out;
    EXPECT_EQ(listed["orphans"][0]["id"], id);
    EXPECT_GT(listed["orphans"][0]["size"].get<std::uint64_t>(), 0u);

    // Another installed application named "hello", or writing there too, keeps them.
    deployFlatpak(Sandbox::process().root() + "/var/lib/flatpak", {.id = "com.other.hello"});
    EXPECT_EQ(dryRun(id).first, (std::set<std::string>{"~/.var/app/" + id,
                                                       "~/.local/share/flatpak/overrides/" + id}));
    removeTree(Sandbox::process().root() + "/var/lib/flatpak/app/com.other.hello");
    deployFlatpak(user,
                  {.id = "org.example.Neighbour", .context = "[Context]\nfilesystems=~/.hello\n"});
    EXPECT_EQ(dryRun(id).first.count("~/.hello"), 0u);
    EXPECT_EQ(dryRun(id).first.count("~/.config/hello"), 1u);

    // Sandbox data that is a link to the home folder or to "/" is not offered.
    for (const std::string& target : {home(), std::string("/")}) {
        removeTree(home() + "/.var/app/" + id);
        makeLink(target, home() + "/.var/app/" + id);
        EXPECT_EQ(dryRun(id).first.count("~/.var/app/" + id), 0u) << target;
    }
    // Ids that cannot be ids are refused before anything is looked at.
    for (const std::string bad : {"..", "org/../..", "one", "org.ex\xff.x", ""})
        EXPECT_EQ(dryRun(bad).second, 1) << bad;
}

// Uninstalling is reported once, with the remembered name and icon; an update, a second
// branch or a copy in another installation reports nothing, nor does an installation that
// goes away; an installation made after start is watched from its parent.
TEST_F(Flatpak, WatcherReportsUninstallsOnly) {
    const std::string user = userInstallation();
    const std::string system = systemInstallation();
    deployFlatpak(user, {.id = "org.example.Kept", .name = "Kept"});
    Reports reports;
    auto watcher = FlatpakWatcher::create(reports.callback());
    settle(*watcher);
    EXPECT_EQ(watcher->watchedInstallations(), (std::vector<bool>{true, false}));

    // Installed after start, then uninstalled.
    deployFlatpak(user, {.id = "org.example.Paint", .name = "Paint"});
    settle(*watcher);
    uninstallFlatpak(user, "org.example.Paint");
    settle(*watcher);
    ASSERT_EQ(reports.bundles.size(), 1u);
    EXPECT_EQ(reports.bundles[0]->bundleIdentifier(), "org.example.Paint");
    EXPECT_EQ(*reports.bundles[0]->objectForInfoDictionaryKey("CFBundleName")->asString(), "Paint");
    EXPECT_EQ(reports.bundles[0]->iconData(), kIconBytes);
    EXPECT_EQ(reports.bundles[0]->kind(), platform::Bundle::Kind::Flatpak);

    // An update, a second branch made current and the first removed, and the system
    // installation appearing with a copy that then leaves the user's: nothing.
    deployFlatpak(user, {.id = "org.example.Kept", .name = "Kept", .commit = "newcommit"});
    settle(*watcher);
    deployFlatpak(user, {.id = "org.example.Kept", .name = "Kept", .branch = "beta"});
    removeTree(user + "/app/org.example.Kept/x86_64/stable");
    writeFile(user + "/.changed", "");
    settle(*watcher);
    deployFlatpak(system, {.id = "org.example.Kept", .name = "Kept"});
    settle(*watcher);
    EXPECT_EQ(watcher->watchedInstallations(), (std::vector<bool>{true, true}));
    uninstallFlatpak(user, "org.example.Kept");
    settle(*watcher);
    EXPECT_EQ(reports.bundles.size(), 1u);

    // The system installation going away (its volume unmounted) uninstalls nothing.
    std::filesystem::rename(system, system + ".away");
    settle(*watcher);
    EXPECT_EQ(reports.bundles.size(), 1u);
    EXPECT_EQ(watcher->watchedInstallations(), (std::vector<bool>{true, false}));

    // It comes back without the application: that is an uninstall.
    uninstallFlatpak(system + ".away", "org.example.Kept");
    std::filesystem::rename(system + ".away", system);
    settle(*watcher);
    ASSERT_EQ(reports.bundles.size(), 2u);
    EXPECT_EQ(reports.bundles[1]->bundleIdentifier(), "org.example.Kept");
    EXPECT_EQ(*reports.bundles[1]->objectForInfoDictionaryKey("CFBundleName")->asString(), "Kept");
}

// Uninstalled while the helper was not running: offered once at the next start, and not
// again at the one after.
TEST_F(Flatpak, UninstalledWhileNotRunningIsReportedOnceAtStart) {
    const std::string user = userInstallation();
    deployFlatpak(user, {.id = "org.example.Gone", .name = "Gone"});
    deployFlatpak(user, {.id = "org.example.Stays"});
    {
        Reports reports;
        auto watcher = FlatpakWatcher::create(reports.callback());
        settle(*watcher);
        EXPECT_TRUE(reports.bundles.empty());
    }
    uninstallFlatpak(user, "org.example.Gone");
    for (std::size_t expected : {1u, 0u}) {
        Reports reports;
        auto watcher = FlatpakWatcher::create(reports.callback());
        settle(*watcher);
        ASSERT_EQ(reports.bundles.size(), expected);
        if (expected) {
            EXPECT_EQ(*reports.bundles[0]->objectForInfoDictionaryKey("CFBundleName")->asString(),
                      "Gone");
        }
    }
}

// Ten thousand installed applications are listed and remembered in bounded time, and an
// uninstall among them is still found. They lie in memory where the machine has room
// (removing 20,000 folders from a busy disk takes minutes), reached through a link from
// the configured installation's path.
TEST_F(Flatpak, TenThousandInstalledApplications) {
    std::string storage = Sandbox::process().makeFolder("many");
    std::error_code error;
    if (std::filesystem::space("/dev/shm", error).available > (std::uintmax_t(512) << 20) &&
        !error) {
        char shm[] = "/dev/shm/sweepwise-flatpak-XXXXXX";
        ASSERT_TRUE(mkdtemp(shm));
        storage = shm;
    }
    const std::string conf = Sandbox::process().root() + "/etc/flatpak/installations.d";
    makeDirs(conf);
    writeFile(conf + "/many.conf", "[Installation \"many\"]\nPath=/mnt/many\n");
    makeDirs(Sandbox::process().root() + "/mnt");
    makeLink(storage, Sandbox::process().root() + "/mnt/many");
    // The least that counts as installed: "current" leading to a folder whose "active"
    // leads to a commit with (empty) metadata.
    for (int index = 0; index < 10000; ++index) {
        const std::string app = storage + "/app/org.example.App" + std::to_string(index);
        makeDirs(app + "/c");
        writeFile(app + "/c/metadata", "");
        makeLink(".", app + "/current");
        makeLink("c", app + "/active");
    }
    EXPECT_EQ(installedIds(Sandbox::process().root() + "/mnt/many").size(), 10000u);
    Reports reports;
    auto watcher = FlatpakWatcher::create(reports.callback());
    settle(*watcher);
    uninstallFlatpak(storage, "org.example.App1234");
    ASSERT_TRUE(runUntil([&] { return !reports.bundles.empty(); }));
    EXPECT_EQ(reports.bundles[0]->bundleIdentifier(), "org.example.App1234");
    watcher.reset();
    removeTree(storage);
}
