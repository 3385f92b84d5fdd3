#include "shell/MacOSVersion.h"

#include <gtest/gtest.h>

TEST(MacOSVersion, ComparesVersionsNumerically) {
    struct Case {
        std::optional<std::string> system, asked;
        bool orLower, orHigher, answer;
    } cases[] = {
        {"10.15.7", "10.15", false, true, true},     {"10.15", "10.15.7", false, false, false},
        {"10.9", "10.10", false, true, false},       {"10.9", "10.10", true, false, true},
        {"13.0", "12.1", true, false, false},        {"10.13", "10.14", true, true, true},
        {"10.13", std::nullopt, false, false, true}, {std::nullopt, "10.15", false, false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MacOSVersion(c.system).isMacOSHasVersion(c.asked, c.orLower, c.orHigher),
                  c.answer)
            << c.system.value_or("none") << " vs " << c.asked.value_or("none");
}
