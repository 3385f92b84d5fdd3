#include "ControllerTestFixture.h"
#include "support/ScopedHelperTexts.h"

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
