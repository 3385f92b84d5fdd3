#include "platform/Localization.h"

#include "platform/LocaleEnvironment.h"
#include "support/Sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using platform::LocaleEnvironment;
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

TEST(Localization, KeepsTablesUntilTheLanguagesChange) {
    const std::string resources = makeResources();
    Localization localization({"de"});
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "-");
    writeFile(resources + "/de.lproj/Later.strings", "\"Hello\" = \"Später\";");
    // A table found missing stays missing until the languages change.
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "-");
    localization.setPreferredLanguages({"de_AT"});
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "Später");
}

TEST(LocaleEnvironment, ReadsLanguagesInPosixOrder) {
    const char* const names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LANG"};
    std::vector<std::optional<std::string>> saved;
    for (const char* name : names)
        saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name))
                                          : std::nullopt);
    const struct {
        std::vector<std::pair<const char*, const char*>> variables;
        std::vector<std::string> languages;
    } cases[] = {
        {{}, {"en"}},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "fr_FR"}, {"LC_ALL", "sv_SE@euro"}}, {"sv_SE"}},
        {{{"LANG", "de_DE"}, {"LC_ALL", "C"}}, {"en"}},
        {{{"LANGUAGE", "pt_BR:de::fr_FR"}, {"LANG", "fr_FR.UTF-8"}}, {"pt_BR", "de", "fr_FR"}},
        {{{"LANG", "en_US.UTF-8"}, {"LC_NUMERIC", "de_DE.UTF-8"}}, {"en_US"}},
    };
    for (const auto& c : cases) {
        for (const char* name : names)
            unsetenv(name);
        for (const auto& [name, value] : c.variables)
            setenv(name, value, 1);
        EXPECT_EQ(LocaleEnvironment::preferredLanguages(), c.languages) << c.languages[0];
    }
    EXPECT_EQ(LocaleEnvironment::numericLocale(), "de_DE");
    for (std::size_t i = 0; i < saved.size(); ++i)
        saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
}
