#include "shell/UpdateRestarter.h"

#include "TrashTestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(UpdateRestarter, QuitsOnceItsBundleIsGone) {
    struct Case {
        const char* what;
        void (*takeAway)(const std::string& bundle);
    };
    const Case cases[] = {
        {"renamed", [](const std::string& bundle) { move(bundle, bundle + ".moved"); }},
        {"deleted", [](const std::string& bundle) { removeTree(bundle); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bundle = Sandbox::process().makeFolder("restarter") + "/SweepwiseHelper.app";
        makeApp(bundle, "com.halvorn.Sweepwise-SIII-Helper");
        int quits = 0;
        auto restarter = UpdateRestarter::create(bundle, [&] { ++quits; });
        ASSERT_TRUE(restarter->isWatching());

        c.takeAway(bundle);
        ASSERT_TRUE(waitFor([&] { return quits > 0; }));
        EXPECT_EQ(quits, 1);
    }
}

TEST(UpdateRestarter, WithoutABundleNothingIsWatched) {
    auto restarter = UpdateRestarter::create(std::nullopt, [] { FAIL(); });
    EXPECT_FALSE(restarter->isWatching());
    EXPECT_FALSE(UpdateRestarter::create(std::string(), [] { FAIL(); })->isWatching());
}
