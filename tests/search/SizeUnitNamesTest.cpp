#include "search/ByteCountFormatterManager.h"
#include "search/ByteCountFormatterUnitsLocalizable.h"
#include "search/NSStringFileManager.h"
#include "search/SizeMetrics.h"
#include "shell/NSStringFileSize.h"
#include "support/Sandbox.h"
#include "support/ScopedHelperTexts.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using testing_support::ScopedHelperTexts;
using Unit = platform::ByteCountFormatter::Unit;

namespace {

const std::vector<std::string> kEnglish{"B", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
const std::vector<std::string> kGerman{"B", "kB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};

std::string emptyResources() {
    return testing_support::Sandbox::process().makeFolder("NoTables");
}

} // namespace

TEST(SizeUnitNames, ComeFromTheShippedTables) {
    {
        ScopedHelperTexts texts("", {"de_DE"});
        EXPECT_EQ(ByteCountFormatterManager::allOrderedSupportedUnitDescriptions(), kGerman);
    }
    {
        // The English table must agree with the built-in names.
        ScopedHelperTexts texts("", {"en"});
        EXPECT_EQ(SizeMetrics::metrixes(), kEnglish);
    }
}

TEST(SizeUnitNames, TakeEachMissingKeyFromTheDefaults) {
    const std::string resources = emptyResources();
    testing_support::makeDirs(resources + "/fr.lproj");
    testing_support::writeFile(resources + "/fr.lproj/ByteCountFormatterUnitsLocalizable.strings",
                               "\"Byte\" = \"o\";\n\"M Bytes\" = \"Mo\";\n\"Bytes\" = \"x\";\n");
    ScopedHelperTexts texts(resources, {"fr"});
    EXPECT_EQ(SizeMetrics::metrixes(),
              (std::vector<std::string>{"o", "KB", "Mo", "GB", "TB", "PB", "EB", "ZB", "YB"}));
}

TEST(SizeUnitNames, AnswerADashForValuesThatAreNoSingleUnit) {
    ScopedHelperTexts texts("", {"de"});
    for (std::uint32_t value : {0u, 3u, 6u, 256u, 0xFF00u - 1, 0xFFFFu, 0xFFFFFFFFu})
        EXPECT_EQ(ByteCountFormatterUnitsLocalizable::localizedDescriptionForUnit(Unit{value}), "-")
            << value;
}

TEST(SizeMetrics, AreKeptFromTheirFirstUseOn) {
    // Nothing else in this program asks for the kept metrics, so they are made here.
    std::vector<std::string> kept;
    {
        ScopedHelperTexts texts("", {"de"});
        kept = NSStringFileManager::allSizeMetrics();
        EXPECT_EQ(kept, kGerman);
    }
    ScopedHelperTexts texts(emptyResources(), {"en"});
    EXPECT_EQ(SizeMetrics::metrixes(), kEnglish);
    EXPECT_EQ(NSStringFileManager::allSizeMetrics(), kept);
    EXPECT_EQ(NSStringFileManager::formatMemoryString(2000, NSStringFileManager::MemoryForm::full),
              "2 kB");
}

TEST(ConvertToStringFromFileSize, UsesThePlatformWordingNotTheOwnUnits) {
    ScopedHelperTexts texts("", {"de"});
    EXPECT_EQ(NSStringFileSize::convertToStringFromFileSize(0), "Zero KB");
    EXPECT_EQ(NSStringFileSize::convertToStringFromFileSize(500), "500 bytes");
    // The own formatting would keep the unit and say 1000 KB.
    EXPECT_EQ(NSStringFileSize::convertToStringFromFileSize(999999), "1 MB");
}
