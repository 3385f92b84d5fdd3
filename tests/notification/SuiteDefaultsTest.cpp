#include "platform/SuiteDefaults.h"

#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using testing_support::makeDirs;
using testing_support::Sandbox;
using testing_support::writeFile;

using platform::SuiteDefaults;

namespace {

const std::string kKey = SuiteDefaults::appAppearanceTypeValueKey;

std::string xmlPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body +
           "\n</plist>\n";
}

std::string xmlDefaults(const std::string& value) {
    return xmlPlist("<dict><key>Other</key><string>x</string><key>" + kKey + "</key>" + value +
                    "</dict>");
}

std::string binaryDefaults(std::int64_t value) {
    return *platform::PropertyList::toBinary(platform::PlistValue::Dictionary{{kKey, value}});
}

// Defaults of a suite of their own in a home folder of its own.
class SuiteDefaultsTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string home = Sandbox::process().makeFolder("home");
        setenv("SWEEPWISE_HOME", home.c_str(), 1);
        makeDirs(home + "/Library/Preferences");
        m_defaults = SuiteDefaults::create("com.halvorn.Sweepwise-SIII");
        ASSERT_TRUE(m_defaults);
    }

    void TearDown() override { setenv("SWEEPWISE_HOME", Sandbox::process().home().c_str(), 1); }

    std::shared_ptr<SuiteDefaults> m_defaults;
};

} // namespace

TEST_F(SuiteDefaultsTest, ReadsWholeNumbersOfEveryStoredForm) {
    for (const char* bad : {"", "..", "a/b"})
        EXPECT_FALSE(SuiteDefaults::create(bad)) << bad;
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {xmlDefaults("<integer>-1</integer>"), -1},
        {xmlDefaults("<real>2.7</real>"), 2},
        {xmlDefaults("<string> 7 days</string>"), 7},
        {binaryDefaults(1), 1},
        {xmlDefaults("<string>dark</string>"), std::nullopt},
        {xmlPlist("<dict><key>Other</key><integer>1</integer></dict>"), std::nullopt},
        {xmlPlist("<array><integer>2</integer></array>"), std::nullopt},
        {"not a property list at all", std::nullopt},
        {binaryDefaults(2).substr(0, 20), std::nullopt},
    };
    for (const auto& [contents, expected] : cases) {
        writeFile(m_defaults->path(), contents);
        EXPECT_EQ(m_defaults->integerForKey(kKey), expected) << contents;
        EXPECT_EQ(m_defaults->appAppearanceTypeValue(), expected.value_or(0)) << contents;
    }
}
