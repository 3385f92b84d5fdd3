#include "notification/SuiteDefaults.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

using testing_support::makeDirs;
using testing_support::readFile;
using testing_support::Sandbox;
using testing_support::writeFile;

namespace {

const std::string kKey = SuiteDefaults::appAppearanceTypeValueKey;

std::string xmlPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n" +
           body + "\n</plist>\n";
}

std::string xmlDefaults(const std::string& value) {
    return xmlPlist("<dict><key>Other</key><string>x</string><key>" + kKey + "</key>" + value +
                    "</dict>");
}

std::string binaryDefaults(std::uint64_t value) {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, kKey.c_str(), plist_new_uint(value));
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string binary(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(root);
    return binary;
}

// Defaults of a suite of its own in a home folder of its own.
class SuiteDefaultsTest : public testing::Test {
protected:
    void SetUp() override {
        m_home = Sandbox::process().makeFolder("home");
        setenv("SWEEPWISE_HOME", m_home.c_str(), 1);
        m_defaults = SuiteDefaults::create("com.halvorn.Sweepwise-SIII");
        ASSERT_TRUE(m_defaults);
    }

    void TearDown() override { setenv("SWEEPWISE_HOME", Sandbox::process().home().c_str(), 1); }

    void store(const std::string& contents) {
        makeDirs(m_home + "/Library/Preferences");
        writeFile(m_defaults->path(), contents);
    }

    std::string m_home;
    std::shared_ptr<SuiteDefaults> m_defaults;
};

} // namespace

TEST_F(SuiteDefaultsTest, LivesInThePreferencesOfTheHomeFolderUnderASafeName) {
    EXPECT_EQ(m_defaults->path(), m_home + "/Library/Preferences/com.halvorn.Sweepwise-SIII.plist");
    for (const char* bad : {"", "..", "a/b"})
        EXPECT_FALSE(SuiteDefaults::create(bad)) << bad;
}

TEST_F(SuiteDefaultsTest, ReadsWholeNumbersOfEveryStoredForm) {
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {xmlDefaults("<integer>-1</integer>"), -1},
        {xmlDefaults("<real>2.7</real>"), 2},
        {xmlDefaults("<true/>"), 1},
        {xmlDefaults("<string> 7 days</string>"), 7},
        {binaryDefaults(1), 1},
        {xmlDefaults("<string>dark</string>"), std::nullopt},
        {xmlDefaults("<data>AAE=</data>"), std::nullopt},
        {xmlPlist("<dict><key>Other</key><integer>1</integer></dict>"), std::nullopt},
        {xmlPlist("<array><integer>2</integer></array>"), std::nullopt},
        {"not a property list at all", std::nullopt},
        {xmlDefaults("<integer>2</integer>").substr(0, 150), std::nullopt},
        {binaryDefaults(2).substr(0, 20), std::nullopt},
    };
    for (const auto& [contents, expected] : cases) {
        store(contents);
        EXPECT_EQ(m_defaults->integerForKey(kKey), expected) << contents;
        EXPECT_EQ(m_defaults->appAppearanceTypeValue(), expected.value_or(0)) << contents;
    }
}

// Storing keeps the other keys, and never replaces defaults it cannot read.
TEST_F(SuiteDefaultsTest, StoringKeepsTheOtherKeysAndNeverOverwritesDamage) {
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(2));
    EXPECT_EQ(m_defaults->appAppearanceTypeValue(), 2);
    store(xmlDefaults("<integer>1</integer>"));
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(-3));
    EXPECT_EQ(m_defaults->appAppearanceTypeValue(), -3);
    EXPECT_NE(readFile(m_defaults->path()).find("<string>x</string>"), std::string::npos);
    store("damaged");
    EXPECT_FALSE(m_defaults->setAppAppearanceTypeValue(2));
    EXPECT_EQ(readFile(m_defaults->path()), "damaged");
}
