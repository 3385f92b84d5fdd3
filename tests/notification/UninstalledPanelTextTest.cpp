#include "ControllerTestFixture.h"
#include "support/ScopedHelperTexts.h"

#include <filesystem>
#include <fstream>
#include <sstream>

using panel_test::RichNotificationWCTest;
using panel_test::text;
using testing_support::ScopedHelperTexts;

namespace {

// An application that was uninstalled rather than moved to the Trash, as the Flatpak
// watcher hands it on.
std::shared_ptr<platform::Bundle> uninstalledApp(const std::string& name, const std::string& id) {
    platform::PlistValue::Dictionary info{
        {"CFBundleIdentifier", id}, {"CFBundleName", name}, {"CFBundleExecutable", name}};
    return platform::Bundle::createDescribed("/var/lib/flatpak/app/" + id,
                                             platform::Bundle::Kind::Flatpak,
                                             platform::PlistValue(std::move(info)));
}

} // namespace

// The description says what happened to each application: uninstalled, moved to the
// Trash, or, for several, both.
TEST_F(RichNotificationWCTest, DescriptionTellsUninstalledFromTrashed) {
    ScopedHelperTexts texts("", {"en"});
    const auto hello = uninstalledApp("Hello World", "org.test.Hello");
    offer(hello, 1);
    const std::string one = text(window().subtitleLabel());
    EXPECT_NE(one.find("Hello World application was uninstalled."), std::string::npos) << one;

    offer(uninstalledApp("Paint", "org.test.Paint"), 2);
    const std::string two = text(window().subtitleLabel());
    EXPECT_NE(two.find("2 applications were uninstalled."), std::string::npos) << two;

    offer(app("Foo", "com.example.foo"), 3);
    const std::string mixed = text(window().subtitleLabel());
    EXPECT_NE(mixed.find("3 applications were uninstalled or moved to "), std::string::npos)
        << mixed;
    m_controller->onNotificationClose();

    // An application moved to the Trash on its own still reads as before.
    offer(app("Bar", "com.example.bar"), 1);
    EXPECT_NE(text(window().subtitleLabel()).find("Bar application was moved to "),
              std::string::npos);
}

// Every language the panel's table has carries the new texts, each with its comment.
TEST(UninstalledPanelText, EveryShippedLanguageHasTheTexts) {
    const std::filesystem::path resources =
        std::filesystem::path(SWEEPWISE_SOURCE_DIR) / "resources/helper/Resources";
    int languages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(resources)) {
        if (entry.path().extension() != ".lproj")
            continue;
        ++languages;
        std::ifstream file(entry.path() / "RichNotificationWCLocalizable.strings");
        std::stringstream contents;
        contents << file.rdbuf();
        for (const char* key :
             {"Description_OneApp_Uninstalled", "Description_MultipleApps_Uninstalled",
              "Description_MultipleApps_Mixed"}) {
            const std::string text = contents.str();
            const std::size_t at = text.find(std::string("\"") + key + "\" = ");
            ASSERT_NE(at, std::string::npos) << entry.path() << " " << key;
            EXPECT_NE(text.rfind("*/\n", at), std::string::npos) << key;
        }
    }
    EXPECT_GE(languages, 2);
}
