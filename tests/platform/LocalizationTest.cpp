#include "platform/Localization.h"

#include "platform/LocaleEnvironment.h"
#include "support/Sandbox.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using platform::LocaleEnvironment;
using platform::Localization;
using testing_support::writeFile;

namespace {

// A resource folder with English, German, Brazilian Portuguese and Base tables, and a
// French table that is malformed.
std::string makeResources() {
    const std::string folder = testing_support::Sandbox::process().makeFolder("Resources");
    auto table = [&](const std::string& language, const std::string& name,
                     const std::string& contents) {
        testing_support::makeDirs(folder + "/" + language + ".lproj");
        writeFile(folder + "/" + language + ".lproj/" + name + ".strings", contents);
    };
    table("en", "Texts", "\"Hello\" = \"Hello\"; \"OnlyEnglish\" = \"English only\";");
    table("de", "Texts", "\"Hello\" = \"Hallo\";");
    table("pt-BR", "Texts", "\"Hello\" = \"Olá\";");
    table("fr", "Texts", "\"Hello\" = \"Bonjour\"");
    table("Base", "Shared", "\"Hello\" = \"Base hello\";");
    return folder;
}

const char* const kLocaleVariables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LANG"};

} // namespace

TEST(Localization, PicksTheFirstValidTableOfThePreferredLanguages) {
    const std::string resources = makeResources();
    struct Case {
        std::vector<std::string> languages;
        std::string table, key, expected;
    };
    const Case cases[] = {
        {{"de_DE.UTF-8"}, "Texts", "Hello", "Hallo"},
        {{"pt_BR"}, "Texts", "Hello", "Olá"},
        {{"pt"}, "Texts", "Hello", "Hello"},
        {{"fr"}, "Texts", "Hello", "Hello"},         // the malformed table is passed over
        {{"de"}, "Texts", "OnlyEnglish", "default"}, // no falling back key by key
        {{"de"}, "Shared", "Hello", "Base hello"},
    };
    for (const auto& c : cases) {
        Localization localization(c.languages);
        EXPECT_EQ(localization.localizedString(resources, c.table, c.key, "default"), c.expected)
            << c.table << "/" << c.key << " for " << (c.languages.empty() ? "" : c.languages[0]);
    }
}

TEST(Localization, KeepsTablesUntilTheLanguagesChange) {
    const std::string resources = makeResources();
    Localization localization({"de"});
    EXPECT_EQ(localization.localizedString(resources, "Texts", "Hello", "-"), "Hallo");
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "-");

    writeFile(resources + "/de.lproj/Texts.strings", "\"Hello\" = \"Servus\";");
    writeFile(resources + "/de.lproj/Later.strings", "\"Hello\" = \"Später\";");
    EXPECT_EQ(localization.localizedString(resources, "Texts", "Hello", "-"), "Hallo");
    // A table found missing stays missing until the languages change.
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "-");

    localization.setPreferredLanguages({"de_AT"});
    EXPECT_EQ(localization.localizedString(resources, "Texts", "Hello", "-"), "Servus");
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "Später");
}

TEST(Localization, AnswersConsistentlyFromSeveralThreads) {
    const std::string resources = makeResources();
    Localization localization({"de"});
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                std::string text = localization.localizedString(resources, "Texts", "Hello", "-");
                wrong += text != "Hallo" && text != "Olá";
            }
        });
    for (int i = 0; i < 50; ++i)
        localization.setPreferredLanguages({i % 2 ? "de" : "pt-BR"});
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(LocaleEnvironment, ReadsLanguagesInPosixOrder) {
    std::vector<std::optional<std::string>> saved;
    for (const char* name : kLocaleVariables)
        saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name))
                                          : std::nullopt);
    auto use = [](const std::vector<std::pair<const char*, const char*>>& variables) {
        for (const char* name : kLocaleVariables)
            unsetenv(name);
        for (const auto& [name, value] : variables)
            setenv(name, value, 1);
    };
    const struct {
        std::vector<std::pair<const char*, const char*>> variables;
        std::vector<std::string> languages;
    } cases[] = {
        {{}, {"en"}},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "fr_FR"}, {"LC_ALL", "sv_SE@euro"}}, {"sv_SE"}},
        {{{"LANG", "de_DE"}, {"LC_ALL", "C"}}, {"en"}},
        {{{"LANG", ""}, {"LC_MESSAGES", "POSIX"}}, {"en"}},
        {{{"LANGUAGE", "pt_BR:de::fr_FR"}, {"LANG", "fr_FR.UTF-8"}}, {"pt_BR", "de", "fr_FR"}},
    };
    for (const auto& c : cases) {
        use(c.variables);
        EXPECT_EQ(LocaleEnvironment::preferredLanguages(), c.languages)
            << (c.variables.empty() ? "" : c.variables[0].second);
    }
    use({{"LANG", "en_US.UTF-8"}, {"LC_NUMERIC", "de_DE.UTF-8"}});
    EXPECT_EQ(LocaleEnvironment::numericLocale(), "de_DE");
    for (std::size_t i = 0; i < saved.size(); ++i)
        saved[i] ? setenv(kLocaleVariables[i], saved[i]->c_str(), 1)
                 : unsetenv(kLocaleVariables[i]);
}
