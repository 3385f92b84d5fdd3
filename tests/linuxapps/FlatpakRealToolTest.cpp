#include "platform/MainQueue.h"
#include "platform/TimeScale.h"
#include "shell/FlatpakWatcher.h"
#include "support/FlatpakTestSupport.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using namespace testing_support;

namespace {

const std::string kId = "org.test.Hello";

// The real flatpak command, with the sandbox's home and system installation.
ProgramRun flatpak(const std::vector<std::string>& arguments) {
    const Sandbox& sandbox = Sandbox::process();
    std::vector<std::string> command{"HOME=" + sandbox.home(),
                                     "XDG_DATA_HOME=" + sandbox.home() + "/.local/share",
                                     "XDG_CACHE_HOME=" + sandbox.home() + "/.cache",
                                     "FLATPAK_SYSTEM_DIR=" + systemInstallation(),
                                     "FLATPAK_CONFIG_DIR=" + sandbox.root() + "/etc/flatpak",
                                     "flatpak"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProgramRun run = runProgram("env", command);
    EXPECT_EQ(run.status, 0) << "flatpak";
    for (const std::string& argument : arguments)
        std::cerr << argument << " ";
    std::cerr << "\n" << run.out << run.err;
    return run;
}

// A runtime made by hand and an application built on it with build-init, build-finish and
// build-export into a local repository, as flatpak's own tests make theirs; nothing is
// downloaded.
std::string buildRepository(const std::string& folder) {
    const std::string runtime = folder + "/runtime";
    makeDirs(runtime + "/files/bin");
    makeDirs(runtime + "/usr");
    writeFile(runtime + "/metadata", "[Runtime]\nname=org.test.Platform\n"
                                     "runtime=org.test.Platform/x86_64/stable\n"
                                     "sdk=org.test.Platform/x86_64/stable\n");
    const std::string repo = folder + "/repo";
    flatpak({"build-export", "--runtime", "--files=files", repo, runtime, "stable"});
    flatpak({"--user", "remote-add", "--no-gpg-verify", "test-repo", repo});
    flatpak({"--user", "install", "-y", "--noninteractive", "test-repo", "org.test.Platform"});

    const std::string app = folder + "/app";
    flatpak({"build-init", app, kId, "org.test.Platform", "org.test.Platform", "stable"});
    makeDirs(app + "/files/bin");
    makeDirs(app + "/files/share/applications");
    makeDirs(app + "/files/share/icons/hicolor/64x64/apps");
    writeFile(app + "/files/bin/hello", "#!/bin/sh\necho hello\n");
    writeFile(app + "/files/share/applications/" + kId + ".desktop",
              "[Desktop Entry]\nType=Application\nName=Hello World\nExec=hello\nIcon=" + kId +
                  "\n");
    writeFile(app + "/files/share/icons/hicolor/64x64/apps/" + kId + ".png", kIconBytes);
    flatpak({"build-finish", app, "--command=hello", "--filesystem=~/.hello",
             "--filesystem=xdg-config/other:ro"});
    flatpak({"build-export", repo, app, "stable"});
    return app;
}

bool runUntil(const std::function<bool()>& predicate) {
    return platform::MainQueue::shared().runUntil(predicate, std::chrono::seconds(20));
}

} // namespace

// Installing, updating and uninstalling with the real command: only the uninstall is
// reported, with the name and icon of the exported entry, and the dry run offers the
// sandbox data, the override and the folder the application was let write.
TEST(FlatpakRealTool, InstallUpdateUninstall) {
#ifndef SWEEPWISE_REAL_FLATPAK_TESTS
    GTEST_SKIP() << "the real-tool tests run in the normal build only";
#endif
    if (std::system("command -v flatpak >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "flatpak is not installed";
    platform::setTimeScale(0.05);
    const std::string folder = Sandbox::process().makeFolder("flatpak-build");
    const std::string app = buildRepository(folder);

    std::vector<std::shared_ptr<platform::Bundle>> reports;
    auto watcher = FlatpakWatcher::create(
        [&](const std::shared_ptr<platform::Bundle>& bundle) { reports.push_back(bundle); });
    flatpak({"--user", "install", "-y", "--noninteractive", "test-repo", kId});
    // What `flatpak run` makes, and a permission the user changed.
    makeDirs(Sandbox::process().home() + "/.var/app/" + kId + "/config");
    makeDirs(Sandbox::process().home() + "/.hello");
    flatpak({"--user", "override", "--nofilesystem=home", kId});
    ASSERT_TRUE(runUntil([&] { return watcher->listingCount() >= 2; }));

    // An update: a new commit exported and deployed.
    writeFile(app + "/files/bin/hello", "#!/bin/sh\necho hello again\n");
    flatpak({"build-export", folder + "/repo", app, "stable"});
    flatpak({"--user", "update", "-y", "--noninteractive", kId});
    const std::size_t listings = watcher->listingCount();
    ASSERT_TRUE(runUntil([&] { return watcher->listingCount() > listings; }));
    EXPECT_TRUE(reports.empty());

    flatpak({"--user", "uninstall", "-y", "--noninteractive", kId});
    ASSERT_TRUE(runUntil([&] { return !reports.empty(); }));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->bundleIdentifier(), kId);
    EXPECT_EQ(*reports[0]->objectForInfoDictionaryKey("CFBundleName")->asString(), "Hello World");
    EXPECT_EQ(reports[0]->iconData(), kIconBytes);

    const ProgramRun run = runProgram(SWEEPWISE_LEFTOVERS_TOOL, {"--json", "--flatpak", kId});
    std::set<std::string> offered;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << run.out << run.err;
    for (const auto& item : document["items"])
        offered.insert(item["path"].get<std::string>().substr(Sandbox::process().home().size()));
    EXPECT_EQ(offered,
              (std::set<std::string>{"/.var/app/" + kId, "/.local/share/flatpak/overrides/" + kId,
                                     "/.hello"}));
    watcher.reset();
    platform::setTimeScale(1.0);
    for (const char* made : {"/.local/share/flatpak", "/.var", "/.hello", "/.cache"})
        removeTree(Sandbox::process().home() + made);
    removeTree(Sandbox::process().root() + "/var");
}
