#include "shell/UpdateRestarter.h"

#include "TrashTestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(UpdateRestarter, QuitsOnceItsBundleIsGoneAndWatchesNothingWithoutOne) {
    std::string bundle = Sandbox::process().makeFolder("restarter") + "/SweepwiseHelper.app";
    makeApp(bundle, "com.halvorn.Sweepwise-SIII-Helper");
    int quits = 0;
    auto restarter = UpdateRestarter::create(bundle, [&] { ++quits; });
    ASSERT_TRUE(restarter->isWatching());
    removeTree(bundle);
    ASSERT_TRUE(waitFor([&] { return quits > 0; }));
    EXPECT_EQ(quits, 1);

    EXPECT_FALSE(UpdateRestarter::create(std::nullopt, [] { FAIL(); })->isWatching());
    EXPECT_FALSE(UpdateRestarter::create(std::string(), [] { FAIL(); })->isWatching());
}
