#include "platform/Localization.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <string>

using platform::Localization;
using testing_support::writeFile;

namespace {

// English, German, Brazilian Portuguese and Base tables, and a malformed French one.
std::string makeResources() {
    const std::string folder = testing_support::Sandbox::process().makeFolder("Resources");
    for (const auto& [language, name, contents] : {
             std::tuple{"en", "Texts", "\"Hello\" = \"Hello\"; \"OnlyEnglish\" = \"English\";"},
             {"de", "Texts", "\"Hello\" = \"Hallo\";"},
             {"pt-BR", "Texts", "\"Hello\" = \"Olá\";"},
             {"fr", "Texts", "\"Hello\" = \"Bonjour\""},
             {"Base", "Shared", "\"Hello\" = \"Base hello\";"},
         }) {
        testing_support::makeDirs(folder + "/" + language + ".lproj");
        writeFile(folder + "/" + language + ".lproj/" + name + ".strings", contents);
    }
    return folder;
}

} // namespace

TEST(Localization, PicksTheFirstValidTableOfThePreferredLanguages) {
    const std::string resources = makeResources();
    const struct {
        const char *language, *table, *key, *expected;
    } cases[] = {
        {"de_DE.UTF-8", "Texts", "Hello", "Hallo"},
        {"pt_BR", "Texts", "Hello", "Olá"},
        {"pt", "Texts", "Hello", "Hello"},
        {"fr", "Texts", "Hello", "Hello"},         // the malformed table is passed over
        {"de", "Texts", "OnlyEnglish", "default"}, // no falling back key by key
        {"de", "Shared", "Hello", "Base hello"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Localization({c.language}).localizedString(resources, c.table, c.key, "default"),
                  c.expected)
            << c.table << "/" << c.key << " for " << c.language;
}
