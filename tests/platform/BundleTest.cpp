#include "platform/Bundle.h"

#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

using platform::Bundle;
using platform::PlistValue;
using platform::PropertyList;
using testing_support::makeDirs;
using testing_support::writeFile;

namespace {

// A fresh Foo.app with the given Info.plist bytes (none when empty).
std::string makeApp(const std::string& infoPlist) {
    const std::string path = testing_support::Sandbox::process().makeFolder("bundle") + "/Foo.app";
    makeDirs(path + "/Contents/MacOS");
    makeDirs(path + "/Contents/Resources");
    if (!infoPlist.empty())
        writeFile(path + "/Contents/Info.plist", infoPlist);
    return path;
}

} // namespace

TEST(Bundle, ReadsXmlAndBinaryInfoPlistsOfFoldersOnly) {
    const PlistValue info = PlistValue::Dictionary{{"CFBundleIdentifier", "com.example.Foo"},
                                                   {"CFBundleExecutable", "Foo"}};
    for (const auto& bytes : {*PropertyList::toXml(info), *PropertyList::toBinary(info)}) {
        const std::string path = makeApp(bytes);
        ASSERT_EQ(::symlink(path.c_str(), (path + "/../Link.app").c_str()), 0);
        const auto bundle = Bundle::create(path + "/../Link.app//");
        ASSERT_NE(bundle, nullptr);
        EXPECT_EQ(bundle->bundlePath(), path + "/../Link.app");
        EXPECT_EQ(bundle->infoDictionary(), info);
        EXPECT_EQ(bundle->bundleIdentifier(), "com.example.Foo");
        EXPECT_EQ(bundle->executablePath(), std::nullopt);
        writeFile(path + "/Contents/MacOS/Foo", "");
        EXPECT_EQ(bundle->executablePath(), path + "/../Link.app/Contents/MacOS/Foo");
        EXPECT_EQ(Bundle::create(path + "/Contents/Info.plist"), nullptr);
    }
}

TEST(Bundle, IgnoresUnusableInfoPlistsAndKeys) {
    const std::string tooLarge = *PropertyList::toXml(
        PlistValue::Dictionary{{"CFBundleIdentifier", "com.example.Foo"},
                               {"padding", std::string(Bundle::kMaxInfoPlistBytes, 'x')}});
    for (const std::string& bytes :
         {std::string(), std::string("<?xml version=\"1.0\"?><plist><dict><key>a</key>"),
          *PropertyList::toXml(PlistValue::Array{"com.example.Foo"}), tooLarge}) {
        const auto bundle = Bundle::create(makeApp(bytes));
        ASSERT_NE(bundle, nullptr);
        EXPECT_EQ(bundle->infoDictionary(), PlistValue(PlistValue::Dictionary{}));
    }

    // The executable name must be a plain file name inside Contents/MacOS.
    for (const PlistValue& executable : {PlistValue(42), PlistValue(""), PlistValue("../Foo")}) {
        const std::string path = makeApp(*PropertyList::toBinary(
            PlistValue::Dictionary{{"CFBundleIdentifier", PlistValue::Array{"com.example.Foo"}},
                                   {"CFBundleExecutable", executable}}));
        writeFile(path + "/Contents/Foo", "");
        writeFile(path + "/Contents/MacOS/42", "");
        const auto bundle = Bundle::create(path);
        ASSERT_NE(bundle, nullptr);
        EXPECT_EQ(bundle->bundleIdentifier(), std::nullopt);
        EXPECT_EQ(bundle->executablePath(), std::nullopt);
    }
}

TEST(Bundle, FindsTheNearestEnclosingApplication) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"/A/Main.app/Contents/Library/LoginItems/Helper.app/Contents/MacOS/Helper",
         "/A/Main.app/Contents/Library/LoginItems/Helper.app"},
        {"/A//Foo.app//Contents/MacOS/Foo", "/A//Foo.app"},
        {"/A/.app/Contents/MacOS/Foo", std::nullopt},
    };
    for (const auto& [executable, app] : cases)
        EXPECT_EQ(Bundle::enclosingAppPath(executable), app) << executable;
}
