#include "search/AppDependencyGroup.h"

#include <gtest/gtest.h>

TEST(AppDependencyGroup, ValuesAndNumbersMapBothWays) {
    for (std::int32_t number = 0; number <= 17; ++number) {
        std::string_view value = appDependencyGroupValue(number);
        EXPECT_FALSE(value.empty()) << number;
        EXPECT_EQ(static_cast<std::int32_t>(appDependencyGroupFromValue(value)), number) << value;
    }
    EXPECT_EQ(appDependencyGroupFromValue("caches"), AppDependencyGroup::Caches);
    EXPECT_EQ(appDependencyGroupFromValue("broken-alias"), AppDependencyGroup::BrokenAlias);
    for (const char* unknown : {"", "Caches", " caches", "caches ", "cache", "crash_reports", "-1"})
        EXPECT_EQ(appDependencyGroupFromValue(unknown), AppDependencyGroup::None) << unknown;
    for (std::int32_t number : {-1, 18, -2, 1000})
        EXPECT_TRUE(appDependencyGroupValue(number).empty()) << number;
}
