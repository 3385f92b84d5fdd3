#include "search/ByteCountFormatterManager.h"
#include "search/ByteCountFormatterUnitsLocalizable.h"
#include "search/NSStringFileManager.h"
#include "search/SizeMetrics.h"
#include "shell/NSStringFileSize.h"
#include "support/Sandbox.h"
#include "support/ScopedHelperTexts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using testing_support::ScopedHelperTexts;

TEST(SizeUnitNames, ComeFromTheTablesWithDefaultsForMissingKeysAndAreKeptFromFirstUse) {
    const std::vector<std::string> german{"B", "kB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
    std::vector<std::string> kept;
    {
        ScopedHelperTexts texts("", {"de_DE"});
        EXPECT_EQ(ByteCountFormatterManager::allOrderedSupportedUnitDescriptions(), german);
        kept = NSStringFileManager::allSizeMetrics();
        EXPECT_EQ(kept, german);
        EXPECT_EQ(ByteCountFormatterUnitsLocalizable::localizedDescriptionForUnit(
                      platform::ByteCountFormatter::Unit{3u}),
                  "-");
    }
    const std::string resources = testing_support::Sandbox::process().makeFolder("tables");
    testing_support::makeDirs(resources + "/fr.lproj");
    testing_support::writeFile(resources + "/fr.lproj/ByteCountFormatterUnitsLocalizable.strings",
                               "\"Byte\" = \"o\";\n\"M Bytes\" = \"Mo\";\n\"Bytes\" = \"x\";\n");
    ScopedHelperTexts texts(resources, {"fr"});
    EXPECT_EQ(SizeMetrics::metrixes(),
              (std::vector<std::string>{"o", "KB", "Mo", "GB", "TB", "PB", "EB", "ZB", "YB"}));
    EXPECT_EQ(NSStringFileManager::allSizeMetrics(), kept);
}

TEST(ConvertToStringFromFileSize, UsesThePlatformWordingNotTheOwnUnits) {
    ScopedHelperTexts texts("", {"de"});
    EXPECT_EQ(NSStringFileSize::convertToStringFromFileSize(0), "Zero KB");
    EXPECT_EQ(NSStringFileSize::convertToStringFromFileSize(500), "500 bytes");
    // The own formatting would keep the unit and say 1000 KB.
    EXPECT_EQ(NSStringFileSize::convertToStringFromFileSize(999999), "1 MB");
}
