#include "notification/AppsListLocalizable.h"
#include "notification/RichNotificationWCLocalizable.h"
#include "support/Sandbox.h"
#include "support/ScopedHelperTexts.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using testing_support::ScopedHelperTexts;
using Texts = RichNotificationWCLocalizable;

namespace {

struct TextCase {
    std::string name;
    std::function<std::string()> text;
    std::string english;
    std::string german;
};

// Every text of the panel with sample arguments, in English and in the shipped German.
std::vector<TextCase> allTexts() {
    return {
        {"close", [] { return Texts::closeButtonTitle(); }, "Ignore", "Ignorieren"},
        {"uninstall", [] { return Texts::uninstallButtonTitle(); }, "Uninstall with Sweepwise",
         "Mit Sweepwise deinstallieren"},
        {"list uninstall", [] { return AppsListLocalizable::uninstallButtonTitle(); }, "Uninstall",
         "Deinstallieren"},
        {"title", [] { return Texts::titleWithAppName("Foo"); },
         "Would you like to uninstall <a>Foo</a> completely?",
         "Möchten Sie <a>Foo</a> vollständig deinstallieren?"},
        {"several title", [] { return Texts::multipleAppsTitleWith(3); },
         "Would you like to uninstall 3 applications completely?",
         "Möchten Sie 3 Apps vollständig deinstallieren?"},
        {"description", [] { return Texts::descriptionWithAppName("Foo", "12 MB"); },
         "<a>Foo</a> application was moved to Bin.\n<a>12 MB</a> of broken service files left "
         "behind.",
         "Die App <a>Foo</a> wurde in den Papierkorb gelegt.\nEs sind noch <a>12 MB</a> an "
         "verwaisten Dienstdateien übrig."},
        {"several description", [] { return Texts::descriptionWithApplicationsCount(3, "12 MB"); },
         "<a>3 applications</a> were moved to Bin.\n<a>12 MB</a> of broken service files left "
         "behind.",
         "<a>3 Apps</a> wurden in den Papierkorb gelegt.\nEs sind noch <a>12 MB</a> an verwaisten "
         "Dienstdateien übrig."},
        {"alert", [] { return Texts::descriptionWithAppName("Foo", "12 MB", 2, true); },
         "Foo - Complete Uninstallation", "Foo – vollständige Deinstallation"},
    };
}

std::string emptyResources() {
    return testing_support::Sandbox::process().makeFolder("NoTables");
}

} // namespace

TEST(NotificationTexts, ComeFromTheShippedTablesAndAreEnglishWithoutThem) {
    {
        ScopedHelperTexts texts("", {"de_CH"});
        for (const TextCase& c : allTexts())
            EXPECT_EQ(c.text(), c.german) << c.name;
    }
    for (const std::string& resources : {std::string(), emptyResources()}) {
        // The English tables must say exactly what the built-in texts say.
        ScopedHelperTexts texts(resources, {resources.empty() ? "en_GB" : "de"});
        for (const TextCase& c : allTexts())
            EXPECT_EQ(c.text(), c.english) << c.name;
    }
}

TEST(NotificationTexts, TakeEachMissingKeyFromTheDefaults) {
    const std::string resources = emptyResources();
    testing_support::makeDirs(resources + "/nl.lproj");
    testing_support::writeFile(resources + "/nl.lproj/RichNotificationWCLocalizable.strings",
                               "\"Title\" = \"<a>%@</a> helemaal verwijderen?\";\n"
                               "\"CloseButtonTitle \" = \"Negeren\";\n");
    ScopedHelperTexts texts(resources, {"nl"});
    EXPECT_EQ(Texts::titleWithAppName("Foo"), "<a>Foo</a> helemaal verwijderen?");
    EXPECT_EQ(Texts::closeButtonTitle(), "Ignore");
}

// Only the descriptions say "Bin" for "Trash", in the name as well.
TEST(NotificationTexts, AdaptTheTrashWordOnlyInTheDescriptions) {
    ScopedHelperTexts texts(emptyResources(), {"en"});
    EXPECT_EQ(Texts::descriptionWithAppName("Trash trasher", "1 KB"),
              "<a>Bin biner</a> application was moved to Bin.\n<a>1 KB</a> of broken service "
              "files left behind.");
    EXPECT_EQ(Texts::titleWithAppName("Trash %@"),
              "Would you like to uninstall <a>Trash %@</a> completely?");
    EXPECT_EQ(Texts::descriptionWithAppName("Trash", "", 0, false),
              "Trash - Complete Uninstallation");
}
