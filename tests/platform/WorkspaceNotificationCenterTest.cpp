#include "platform/WorkspaceNotificationCenter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using platform::WorkspaceNotification;
using platform::WorkspaceNotificationCenter;

TEST(WorkspaceNotificationCenter, CallsTheObserversOfTheNameInTheOrderTheyWereAdded) {
    WorkspaceNotificationCenter center;
    std::vector<std::string> calls;
    auto sender = std::make_shared<int>(7);
    center.addObserver("changed", [&](const WorkspaceNotification& note) {
        EXPECT_EQ(note.object, sender);
        EXPECT_EQ(note.userInfo.at("path"), "/a");
        calls.push_back("first");
    });
    center.addObserver("other", [&](const WorkspaceNotification&) { calls.push_back("other"); });
    center.addObserver(
        "", [&](const WorkspaceNotification& note) { calls.push_back("any " + note.name); });
    center.addObserver("changed", [&](const WorkspaceNotification&) { calls.push_back("second"); });

    center.post("changed", sender, {{"path", "/a"}});
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "any changed", "second"}));
}

TEST(WorkspaceNotificationCenter, LetsObserversChangeTheListWhileAPostIsUnderWay) {
    WorkspaceNotificationCenter center;
    std::vector<std::string> calls;
    WorkspaceNotificationCenter::ObserverToken self = 0, later = 0;
    self = center.addObserver("n", [&](const WorkspaceNotification&) {
        calls.push_back("self");
        center.removeObserver(self);
        center.removeObserver(later);
        center.addObserver("n", [&](const WorkspaceNotification&) { calls.push_back("added"); });
    });
    later =
        center.addObserver("n", [&](const WorkspaceNotification&) { calls.push_back("later"); });

    center.post("n", nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"self"}));
    center.post("n", nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"self", "added"}));
}
