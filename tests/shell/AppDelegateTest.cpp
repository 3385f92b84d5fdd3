#include "shell/AppDelegate.h"

#include "TrashTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/TimeScale.h"
#include "shell/FileMessage.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "shell/NameExcluder.h"
#include "shell/PathBytes.h"
#include "shell/PathsGenerator.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

namespace {

// Everything posted on the process's notification centre under one name.
struct PostedObjects {
    explicit PostedObjects(const std::string& name)
        : token(
              center->addObserver(name, [this](const auto&, const auto& object, const auto& info) {
                  objects.push_back(object.value_or("(none)"));
                  userInfos.push_back(info);
              })) {}
    ~PostedObjects() { center->removeObserver(token); }

    std::shared_ptr<DistributedNotificationCenter> center = DistributedNotificationCenter::shared();
    std::vector<std::string> objects;
    std::vector<platform::PlistValue> userInfos;
    DistributedNotificationCenter::ObserverToken token;
};

// A marker posted last tells when every post before it has been delivered.
bool allPostsDelivered() {
    PostedObjects marker("marker");
    DistributedNotificationCenter::shared()->post("marker", std::nullopt);
    return waitFor([&] { return !marker.objects.empty(); });
}

std::string trash() {
    return PathsGenerator::GetInstance().buildTrashDirectory();
}

std::string exclude(const std::vector<std::string>& paths) {
    return *FileMessage::CreateMessageForHelperToExcludeRemovedPaths(paths)->saveToFile();
}

std::string clear() {
    return *FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths()->saveToFile();
}

class AppDelegateTest : public testing::Test {
protected:
    void SetUp() override {
        makeDirs(trash());
        ownBundle = Sandbox::process().makeFolder("own") + "/SweepwiseHelper.app";
        makeDirs(ownBundle);
        delegate = AppDelegate::create([this] { return controller; }, ownBundle);
        delegate->applicationDidFinishLaunching();
    }

    void TearDown() override { platform::setTimeScale(1.0); }

    std::shared_ptr<platform::Bundle> app(const std::string& path) {
        makeApp(path, "com.example." +
                          platform::Path::deletingExtension(platform::Path::lastComponent(path)));
        return platform::Bundle::create(path);
    }

    // Routes `bundles` and answers which of them were broadcast and which shown.
    std::vector<std::string> route(const std::vector<std::shared_ptr<platform::Bundle>>& bundles) {
        PostedObjects posted(
            MonitorTrashDistributedNotificationNames::userDidMoveApplicationToTrashEvent);
        controller->shown.clear();
        for (const auto& bundle : bundles)
            delegate->onAppMovedToTrash(bundle);
        EXPECT_TRUE(allPostsDelivered());
        EXPECT_EQ(posted.objects, controller->shown) << "broadcast and panel go together";
        return controller->shown;
    }

    // Makes an application at each path, routes them all, and checks that exactly those
    // not marked excluded were broadcast and shown.
    void expectExcluded(const std::vector<std::pair<std::string, bool>>& cases) {
        std::vector<std::shared_ptr<platform::Bundle>> bundles;
        std::vector<std::string> expected;
        for (const auto& [path, excluded] : cases) {
            bundles.push_back(app(path));
            if (!excluded)
                expected.push_back(path);
        }
        EXPECT_EQ(route(bundles), expected);
        for (const auto& c : cases)
            removeTree(c.first);
    }

    std::string ownBundle;
    std::shared_ptr<RecordingController> controller = std::make_shared<RecordingController>();
    std::shared_ptr<AppDelegate> delegate;
};

} // namespace

// Exclusions are name prefixes in every Trash, of the name there or of the one the item had
// before (from its trash information), whichever way links lead to the Trash. A path that
// names no application is refused and leaves the rest of the command in force.
TEST_F(AppDelegateTest, ExclusionsArePrefixesOfNamesInEveryTrashWhicheverWayLinksLeadThere) {
    const std::string info = platform::Path::deletingLastComponent(trash()) + "/info";
    const std::string volume = Sandbox::process().root() + "/Volumes/Stick";
    const std::string volumeTrash = volume + "/.Trash-" + std::to_string(getuid()) + "/files";
    const std::string folder = Sandbox::process().makeFolder("trashed");
    const std::string inTrash = trash() + "/" + platform::Path::lastComponent(folder);
    makeDirs(info);
    writeFile(info + "/Renamed.app.trashinfo", "[Trash Info]\nPath=/Applications/Qux.app\n");
    writeFile(info + "/Broken.app.trashinfo", "[Trash Info]\nPath=/Applications/Qux%zz.app\n");
    // An empty path would exclude every name; the three after it name no application.
    delegate->openFile(exclude(
        {"", "Qux.app", "/", "/Applications/..", "/Applications/Qux.app", "/Applications/Zed"}));
    std::vector<std::string> prefixes;
    for (const auto& excluder : delegate->excluders())
        prefixes.push_back(excluder->prefix());
    EXPECT_EQ(prefixes, (std::vector<std::string>{"Qux", "Zed"}));
    EXPECT_FALSE(NameExcluder("").isExcludedName("Other.app"));

    // Letter case counts, a prefix is not a substring, the name relative to the Trash of an
    // application in a folder there is "<folder>/Qux.app", and outside a Trash nothing
    // counts. A Trash keeps names apart by renaming ("Qux.2.app", "Qux_1.app").
    expectExcluded({
        {trash() + "/Qux 2.app", true},
        {trash() + "/Zed.app", true},
        {trash() + "/qux.app", false},
        {trash() + "/A Qux.app", false},
        {inTrash + "/Qux.app", false},
        {folder + "/Qux.app", false},
        {trash() + "/Other.app", false},
        {trash() + "/Qux.2.app", true},
        {trash() + "/Renamed.app", true},
        {trash() + "/Broken.app", false},
        {volumeTrash + "/Qux_1.app", true},
        {volume + "/Qux.app", false},
    });
    removeTree(info);
    removeTree(volume);

    // The Trash behind a link, as under a linked home folder: the monitor without Trash
    // access reports the path the kernel resolved, the watcher the path as configured.
    std::string real = Sandbox::process().makeFolder("real-trash");
    std::string aside = trash() + ".aside";
    ASSERT_EQ(std::rename(trash().c_str(), aside.c_str()), 0);
    ASSERT_EQ(symlink(real.c_str(), trash().c_str()), 0);
    // And the folder holding the Trash reached through a link of its own.
    std::string linkedParent = Sandbox::process().makeFolder("links") + "/parent";
    ASSERT_EQ(symlink(platform::Path::deletingLastComponent(trash()).c_str(), linkedParent.c_str()),
              0);
    std::string throughParent = linkedParent + "/" + platform::Path::lastComponent(trash());
    expectExcluded({{real + "/Qux.app", true},
                    {trash() + "/Qux 2.app", true},
                    {throughParent + "/Qux 3.app", true},
                    {real + "/Other.app", false}});
    unlink(trash().c_str());
    std::rename(aside.c_str(), trash().c_str());
}

TEST_F(AppDelegateTest, ClearingDropsOnlyTheExclusionsThatExistedWhenItWasAsked) {
    platform::setTimeScale(0.01);
    auto early = app(trash() + "/Early.app");
    auto late = app(trash() + "/Late.app");

    // Until the clearing step runs, the exclusion holds; one that arrives meanwhile
    // survives it.
    delegate->openFile(exclude({"/Applications/Early.app"}));
    delegate->openFile(clear());
    delegate->openFile(exclude({"/Applications/Late.app"}));
    EXPECT_EQ(route({early}), std::vector<std::string>{});
    ASSERT_TRUE(waitFor([&] { return delegate->excluders().size() == 1; }));
    EXPECT_EQ(route({early, late}), std::vector<std::string>{early->bundlePath()});

    // Each clear command has its own snapshot: the second one takes Late away.
    delegate->openFile(clear());
    delegate->openFile(exclude({"/Applications/Late.app"}));
    ASSERT_TRUE(waitFor([&] { return delegate->excluders().size() == 1; }));
    delegate->openFile(clear());
    ASSERT_TRUE(waitFor([&] { return delegate->excluders().empty(); }));
    EXPECT_EQ(route({late}), std::vector<std::string>{late->bundlePath()});
    removeTree(early->bundlePath());
    removeTree(late->bundlePath());
}

TEST_F(AppDelegateTest, AnswersEveryAccessQueryAfreshUntilItIsGone) {
    using Names = MonitorTrashDistributedNotificationNames;
    auto center = DistributedNotificationCenter::shared();
    delegate->startWatching();
    ASSERT_TRUE(delegate->isAnsweringFullDiskAccessRequests());

    PostedObjects answers(Names::responseFullDiskAccessState);
    for (bool granted : {true, false}) {
        // A Trash that cannot be listed (here: gone) means no access.
        if (!granted)
            move(trash(), trash() + " away");
        center->post(Names::requestFullDiskAccessState, std::nullopt);
        ASSERT_TRUE(waitFor([&] { return answers.objects.size() == (granted ? 1u : 2u); }));
        const platform::PlistValue* flag = answers.userInfos.back().get(Names::isAccessGranted);
        ASSERT_TRUE(flag);
        EXPECT_EQ(flag->asBoolean(), granted);
    }
    EXPECT_EQ(answers.objects[0], "(none)");
    move(trash() + " away", trash());

    delegate.reset();
    center->post(Names::requestFullDiskAccessState, std::nullopt);
    ASSERT_TRUE(allPostsDelivered());
    EXPECT_EQ(answers.objects.size(), 2u);
}

// A command file that is no command is dropped, and the helper says why, in the category
// of its fault; the exclusions in force stay.
TEST_F(AppDelegateTest, ACommandFileThatIsNoCommandIsLoggedAndChangesNothing) {
    delegate->openFile(exclude({"/Applications/Qux.app"}));
    const std::string folder = Sandbox::process().makeFolder("commands");
    const std::string garbage =
        folder + "/garbage." + std::string(FileMessage::kHelperMessageExtension);
    writeFile(garbage, "not a property list");
    testing::internal::CaptureStderr();
    delegate->openFile(garbage);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("sweepwise: shell: warning: ignored the command file " + garbage + ": " +
                       std::string(MessageFileFault::nameOf(MessageFileFault::Kind::NotAnArchive))),
              std::string::npos)
        << log;
    EXPECT_FALSE(platform::FileSystem::fileExists(garbage));
    ASSERT_EQ(delegate->excluders().size(), 1u);
}

TEST_F(AppDelegateTest, ANameThatIsNotUtf8IsBroadcastWithItsExactBytes) {
    PostedObjects posted(
        MonitorTrashDistributedNotificationNames::userDidMoveApplicationToTrashEvent);
    const std::string path = trash() + "/Caf\xe9 \xff\xc3.app";
    makeApp(path, "com.example.cafe");
    delegate->onAppMovedToTrash(platform::Bundle::create(path));
    ASSERT_TRUE(allPostsDelivered());
    ASSERT_EQ(posted.objects.size(), 1u);
    // The object stays readable for every listener; the bytes give the exact name back.
    EXPECT_EQ(posted.objects[0], trash() + "/Caf\uFFFD \uFFFD\uFFFD.app");
    EXPECT_EQ(PathBytes::pathFromNotification(posted.objects[0], posted.userInfos[0]), path);
    EXPECT_EQ(controller->shown, std::vector<std::string>{path});
    removeTree(path);
}
