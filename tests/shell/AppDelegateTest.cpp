#include "shell/AppDelegate.h"

#include "TrashTestSupport.h"
#include "platform/Path.h"
#include "platform/TimeScale.h"
#include "shell/FileMessage.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "shell/NameExcluder.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// The notification controller's side of routing: which applications it was asked to show.
class RecordingController : public AppNotificationController {
public:
    void showNotificationForApp(const std::shared_ptr<platform::Bundle>& bundle) override {
        shown.push_back(bundle ? bundle->bundlePath() : std::string("(none)"));
    }
    std::vector<std::string> shown;
};

// Everything posted on the process's notification centre under one name.
class PostedObjects {
public:
    explicit PostedObjects(const std::string& name)
        : m_center(DistributedNotificationCenter::shared()) {
        m_token = m_center->addObserver(
            name, [this](const auto&, const std::optional<std::string>& object, const auto& info) {
                objects.push_back(object.value_or("(none)"));
                userInfos.push_back(info);
            });
    }
    ~PostedObjects() { m_center->removeObserver(m_token); }

    std::vector<std::string> objects;
    std::vector<platform::PlistValue> userInfos;

private:
    std::shared_ptr<DistributedNotificationCenter> m_center;
    DistributedNotificationCenter::ObserverToken m_token{0};
};

std::string trash() {
    return PathsGenerator::GetInstance().buildTrashDirectory();
}

std::string saveMessage(const std::shared_ptr<FileMessage>& message) {
    std::optional<std::string> path = message ? message->saveToFile() : std::nullopt;
    EXPECT_TRUE(path);
    return path.value_or("");
}

std::string excludeMessage(const std::vector<std::string>& paths) {
    return saveMessage(FileMessage::CreateMessageForHelperToExcludeRemovedPaths(paths));
}

std::string clearMessage() {
    return saveMessage(FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths());
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
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

    // An application in a fresh folder of the Trash (or elsewhere), as the watcher reports it.
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
        // A marker posted last tells when every broadcast before it has been delivered.
        PostedObjects marker("marker");
        DistributedNotificationCenter::shared()->post("marker", std::nullopt);
        EXPECT_TRUE(
            platform::MainQueue::shared().runUntil([&] { return !marker.objects.empty(); }, 20s));
        EXPECT_EQ(posted.objects, controller->shown) << "broadcast and panel go together";
        return controller->shown;
    }

    std::string ownBundle;
    std::shared_ptr<RecordingController> controller = std::make_shared<RecordingController>();
    std::shared_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(AppDelegateTest, ExclusionsAreNamePrefixesWithinTheTrash) {
    std::string folder = Sandbox::process().makeFolder("trashed");
    std::string inTrash = trash() + "/" + platform::Path::lastComponent(folder);
    makeDirs(inTrash);
    // The Trash itself is shared by the process's tests, so every name here is unique to it.
    delegate->openFile(excludeMessage({"/Applications/Qux.app", "/Applications/Zed"}));
    ASSERT_EQ(delegate->excluders().size(), 2u);
    EXPECT_EQ(delegate->excluders()[0]->prefix(), "Qux");
    EXPECT_EQ(delegate->excluders()[1]->prefix(), "Zed");

    struct Case {
        std::string path;
        bool excluded;
    };
    const Case cases[] = {
        {trash() + "/Qux.app", true},    {trash() + "/Qux 2.app", true},
        {trash() + "/QuxBar.app", true}, {trash() + "/Zed.app", true},
        {trash() + "/qux.app", false},   // letter case counts
        {trash() + "/A Qux.app", false}, // a prefix, not a substring
        {inTrash + "/Qux.app", false},   // the name relative to the Trash is "<folder>/Qux.app"
        {folder + "/Qux.app", false},    // outside the Trash nothing is excluded
    };
    std::vector<std::shared_ptr<platform::Bundle>> bundles;
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        bundles.push_back(app(c.path));
        ASSERT_TRUE(bundles.back()) << c.path;
        if (!c.excluded)
            expected.push_back(c.path);
    }
    EXPECT_EQ(route(bundles), expected);
    for (const Case& c : cases)
        removeTree(c.path);
}

TEST_F(AppDelegateTest, ClearingDropsOnlyTheExclusionsThatExistedWhenItWasAsked) {
    platform::setTimeScale(0.01);
    auto early = app(trash() + "/Early.app");
    auto late = app(trash() + "/Late.app");

    // Until the clearing step runs, the exclusion holds; one that arrives meanwhile
    // survives it.
    delegate->openFile(excludeMessage({"/Applications/Early.app"}));
    delegate->openFile(clearMessage());
    delegate->openFile(excludeMessage({"/Applications/Late.app"}));
    EXPECT_EQ(route({early}), std::vector<std::string>{});
    ASSERT_TRUE(platform::MainQueue::shared().runUntil(
        [&] { return delegate->excluders().size() == 1; }, 20s));
    EXPECT_EQ(delegate->excluders()[0]->prefix(), "Late");
    EXPECT_EQ(route({early, late}), std::vector<std::string>{early->bundlePath()});

    // Each clear command has its own snapshot: the second one takes Late away.
    delegate->openFile(clearMessage());
    delegate->openFile(excludeMessage({"/Applications/Late.app"}));
    ASSERT_TRUE(platform::MainQueue::shared().runUntil(
        [&] { return delegate->excluders().size() == 1; }, 20s));
    delegate->openFile(clearMessage());
    ASSERT_TRUE(
        platform::MainQueue::shared().runUntil([&] { return delegate->excluders().empty(); }, 20s));
    EXPECT_EQ(route({late}), std::vector<std::string>{late->bundlePath()});
    removeTree(early->bundlePath());
    removeTree(late->bundlePath());
}

TEST_F(AppDelegateTest, OnlyMessageFilesAreReadAndEveryReadOneIsGone) {
    std::string folder = Sandbox::process().makeFolder("messages");
    std::string valid = excludeMessage({"/Applications/Ignored.app"});
    std::string bytes = readFile(valid);

    struct Case {
        std::string name;
        std::string contents;
        bool read;
    };
    const Case cases[] = {
        {"upper.MSGFORSAHELP", bytes, false},
        {"mixed.MsgForSaHelp", bytes, false},
        {"double.msgforsahelp.txt", bytes, false},
        {"none", bytes, false},
        {"garbage.msgforsahelp", "not an archive", true},
        {"empty.msgforsahelp", "", true},
    };
    std::vector<std::string> paths;
    for (const Case& c : cases) {
        paths.push_back(folder + "/" + c.name);
        writeFile(paths.back(), c.contents);
    }
    delegate->openFiles(paths);
    EXPECT_TRUE(delegate->excluders().empty());
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(exists(paths[i]), !cases[i].read) << cases[i].name;

    EXPECT_TRUE(delegate->openFile(valid));
    EXPECT_FALSE(exists(valid));
    ASSERT_EQ(delegate->excluders().size(), 1u);
    EXPECT_EQ(delegate->excluders()[0]->prefix(), "Ignored");
}

TEST_F(AppDelegateTest, AHelperWhoseBundleIsGoneReportsNothing) {
    auto bundle = app(trash() + "/Orphaned.app");
    EXPECT_EQ(route({bundle}), std::vector<std::string>{bundle->bundlePath()});
    ASSERT_EQ(std::rename(ownBundle.c_str(), (ownBundle + ".old").c_str()), 0);
    EXPECT_EQ(route({bundle}), std::vector<std::string>{});

    auto unknown = AppDelegate::create([this] { return controller; }, std::nullopt);
    unknown->onAppMovedToTrash(bundle);
    EXPECT_TRUE(controller->shown.empty());
    removeTree(bundle->bundlePath());
}

TEST_F(AppDelegateTest, StartsWatchingTheTrashAndAnswersTheAccessQuery) {
    using Names = MonitorTrashDistributedNotificationNames;
    platform::setTimeScale(0.1);
    std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    makeDirs(home + "/Library/Safari");
    writeFile(home + "/Library/Safari/History.db", "x");

    // Access is looked at when the watcher starts.
    delegate->startWatching();
    ASSERT_TRUE(delegate->trashWatcher());
    EXPECT_EQ(delegate->notificationController(), controller);
    ASSERT_TRUE(delegate->isAnsweringFullDiskAccessRequests());

    // An application moved into the Trash reaches the panel and the other programs.
    PostedObjects posted(
        MonitorTrashDistributedNotificationNames::userDidMoveApplicationToTrashEvent);
    std::string source = Sandbox::process().makeFolder("apps") + "/Watched.app";
    app(source);
    move(source, trash() + "/Watched.app");
    ASSERT_TRUE(
        platform::MainQueue::shared().runUntil([&] { return !controller->shown.empty(); }, 20s));
    EXPECT_EQ(controller->shown, std::vector<std::string>{trash() + "/Watched.app"});
    ASSERT_TRUE(
        platform::MainQueue::shared().runUntil([&] { return !posted.objects.empty(); }, 20s));
    EXPECT_EQ(posted.objects, controller->shown);

    // Every request gets a fresh answer.
    PostedObjects answers(Names::responseFullDiskAccessState);
    DistributedNotificationCenter::shared()->post(Names::requestFullDiskAccessState, std::nullopt);
    ASSERT_TRUE(
        platform::MainQueue::shared().runUntil([&] { return answers.objects.size() == 1; }, 20s));
    removeTree(home + "/Library/Safari");
    DistributedNotificationCenter::shared()->post(Names::requestFullDiskAccessState, std::nullopt);
    ASSERT_TRUE(
        platform::MainQueue::shared().runUntil([&] { return answers.objects.size() == 2; }, 20s));
    EXPECT_EQ(answers.objects[0], "(none)");
    const platform::PlistValue* first = answers.userInfos[0].get(Names::isAccessGranted);
    const platform::PlistValue* second = answers.userInfos[1].get(Names::isAccessGranted);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->asBoolean(), true);
    EXPECT_EQ(second->asBoolean(), false);

    // A delegate that is gone no longer answers.
    delegate.reset();
    DistributedNotificationCenter::shared()->post(Names::requestFullDiskAccessState, std::nullopt);
    PostedObjects marker("marker");
    DistributedNotificationCenter::shared()->post("marker", std::nullopt);
    ASSERT_TRUE(
        platform::MainQueue::shared().runUntil([&] { return !marker.objects.empty(); }, 20s));
    EXPECT_EQ(answers.objects.size(), 2u);
    removeTree(trash() + "/Watched.app");
}
