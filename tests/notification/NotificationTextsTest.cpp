#include "notification/AppsListLocalizable.h"
#include "notification/RichNotificationWCLocalizable.h"
#include "shell/MacOSVersion.h"
#include "shell/SystemElementsReadableDescription.h"
#include "support/Sandbox.h"
#include "support/ScopedHelperTexts.h"

#include <functional>
#include <gtest/gtest.h>

using testing_support::ScopedHelperTexts;
using Texts = RichNotificationWCLocalizable;

namespace {

struct TextCase {
    std::string name;
    std::function<std::string()> text;
    std::string english;
};

// Every text of the panel with sample arguments, in English.
std::vector<TextCase> allTexts() {
    return {
        {"close", [] { return Texts::closeButtonTitle(); }, "Ignore"},
        {"list uninstall", [] { return AppsListLocalizable::uninstallButtonTitle(); }, "Uninstall"},
        {"title", [] { return Texts::titleWithAppName("Foo"); },
         "Would you like to uninstall <a>Foo</a> completely?"},
        {"several title", [] { return Texts::multipleAppsTitleWith(3); },
         "Would you like to uninstall 3 applications completely?"},
        {"description", [] { return Texts::descriptionWithAppName("Foo", "12 MB"); },
         "<a>Foo</a> application was moved to Trash.\n<a>12 MB</a> of broken service files left "
         "behind."},
        {"several description", [] { return Texts::descriptionWithApplicationsCount(3, "12 MB"); },
         "<a>3 applications</a> were moved to Trash.\n<a>12 MB</a> of broken service files left "
         "behind."},
    };
}

} // namespace

TEST(NotificationTexts, ComeFromTheShippedTablesAndAreEnglishWithoutThem) {
    {
        ScopedHelperTexts texts("", {"de_CH"});
        EXPECT_EQ(Texts::titleWithAppName("Foo"),
                  "Möchten Sie <a>Foo</a> vollständig deinstallieren?");
        EXPECT_EQ(Texts::descriptionWithAppName("Foo", "12 MB", 2, true),
                  "Foo – vollständige Deinstallation");
        EXPECT_EQ(AppsListLocalizable::uninstallButtonTitle(), "Deinstallieren");
    }
    for (const std::string& resources :
         {std::string(), testing_support::Sandbox::process().makeFolder("NoTables")}) {
        // The English tables must say exactly what the built-in texts say.
        ScopedHelperTexts texts(resources, {resources.empty() ? "en_GB" : "de"});
        for (const TextCase& c : allTexts())
            EXPECT_EQ(c.text(), c.english) << c.name;
    }
}

TEST(NotificationTexts, CallTheTrashBinOnlyFromMacOS1015On) {
    using Words = SystemElementsReadableDescription;
    // No system version file: a Linux desktop, which says "Trash".
    const std::vector<std::pair<std::optional<std::string>, std::string>> systems = {
        {std::nullopt, "Trash"}, {"10.14.6", "Trash"}, {"10.15.0", "Bin"}, {"14.2.1", "Bin"}};
    for (const auto& [version, word] : systems)
        EXPECT_EQ(Words::trashNameFor(MacOSVersion(version)), word) << version.value_or("none");
    EXPECT_EQ(Words::trashName(), "Trash");
    EXPECT_EQ(Words::adaptingTrashName("moved to Trash. Empty the trash.", "Bin"),
              "moved to Bin. Empty the bin.");
}
