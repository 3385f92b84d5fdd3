#include "platform/WorkspaceNotificationCenter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using platform::WorkspaceNotification;
using platform::WorkspaceNotificationCenter;

TEST(WorkspaceNotificationCenter, CallsObserversInOrderAndLetsThemChangeTheListDuringAPost) {
    WorkspaceNotificationCenter center;
    std::vector<std::string> calls;
    auto note = [&](std::string label) {
        return [&calls, label](const WorkspaceNotification& n) { calls.push_back(label + n.name); };
    };
    WorkspaceNotificationCenter::ObserverToken self = 0, later = 0;
    self = center.addObserver("n", [&](const WorkspaceNotification& n) {
        EXPECT_EQ(n.userInfo.at("path"), "/a");
        calls.push_back("self");
        center.removeObserver(self);
        center.removeObserver(later);
        center.addObserver("n", note("added "));
    });
    center.addObserver("other", note("other "));
    center.addObserver("", note("any "));
    later = center.addObserver("n", note("later "));

    center.post("n", nullptr, {{"path", "/a"}});
    EXPECT_EQ(calls, (std::vector<std::string>{"self", "any n"}));
    center.post("n", nullptr, {{"path", "/b"}});
    EXPECT_EQ(calls, (std::vector<std::string>{"self", "any n", "any n", "added n"}));
}
