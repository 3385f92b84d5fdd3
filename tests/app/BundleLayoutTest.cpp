#include "app/BusTestSupport.h"
#include "platform/Bundle.h"
#include "platform/Path.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace testing_support;
using platform::Bundle;

namespace {

std::string bundleOf(const std::string& executable) {
    // <bundle>/Contents/MacOS/<executable>
    return std::filesystem::path(executable).parent_path().parent_path().parent_path().string();
}

std::set<std::string> relativeFiles(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.insert(std::filesystem::relative(entry.path(), folder).string());
    }
    return files;
}

void expectApplicationBundle(const std::shared_ptr<Bundle>& bundle, const std::string& identifier,
                             const std::string& executable) {
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->bundleIdentifier(), identifier);
    EXPECT_EQ(bundle->executablePath(), executable);
    EXPECT_EQ(access(executable.c_str(), X_OK), 0);
    for (const char* key : {"CFBundleShortVersionString", "CFBundleVersion"}) {
        const platform::PlistValue* version = bundle->objectForInfoDictionaryKey(key);
        ASSERT_NE(version, nullptr) << key;
        EXPECT_EQ(*version, platform::PlistValue(SWEEPWISE_VERSION)) << key;
    }
    EXPECT_TRUE(std::filesystem::is_directory(bundle->resourcePath()));
}

} // namespace

TEST(BundleLayout, TheMainBundleHoldsTheHelperBundle) {
    const std::string mainBundle = bundleOf(mainExecutable());
    EXPECT_EQ(platform::Path::lastComponent(mainBundle), "Sweepwise.app");
    expectApplicationBundle(Bundle::create(mainBundle), "com.halvorn.Sweepwise-SIII",
                            mainExecutable());

    const std::string helperBundle =
        mainBundle + "/Contents/Library/LoginItems/SweepwiseHelper.app";
    EXPECT_EQ(bundleOf(helperExecutable()), helperBundle);
    auto helper = Bundle::create(helperBundle);
    expectApplicationBundle(helper, "com.halvorn.Sweepwise-SIII-Helper", helperExecutable());
    // The helper's own bundle is the one its executable finds for itself.
    EXPECT_EQ(Bundle::enclosingAppPath(helperExecutable()), helperBundle);
    const platform::PlistValue* background = helper->objectForInfoDictionaryKey("LSUIElement");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->asBoolean(), true);
}

TEST(BundleLayout, TheHelperCarriesExactlyItsResources) {
    const std::string sources = std::string(SWEEPWISE_SOURCE_DIR) + "/resources/helper/Resources";
    const std::string copied = bundleOf(helperExecutable()) + "/Contents/Resources";
    std::set<std::string> expected = relativeFiles(sources);
    EXPECT_TRUE(expected.count("en.lproj/RichNotificationWCLocalizable.strings"));
    EXPECT_EQ(relativeFiles(copied), expected);
    for (const std::string& file : expected)
        EXPECT_EQ(readFile(copied + "/" + file), readFile(sources + "/" + file)) << file;
}
