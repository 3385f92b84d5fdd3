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

// Sets or clears the locale variables for one test and restores them afterwards.
class ScopedLocaleVariables {
public:
    ScopedLocaleVariables() {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    ~ScopedLocaleVariables() {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (m_saved[i])
                setenv(kNames[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }
    void set(const char* name, const char* value) { setenv(name, value, 1); }

private:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC",
                                             "LANG"};
    std::vector<std::optional<std::string>> m_saved;
};

} // namespace

TEST(Localization, PicksTheFirstValidTableOfThePreferredLanguages) {
    const std::string resources = makeResources();
    struct Case {
        std::vector<std::string> languages;
        std::string table;
        std::string key;
        std::string expected;
    };
    const Case cases[] = {
        {{"de_DE.UTF-8"}, "Texts", "Hello", "Hallo"},
        {{"it", "de"}, "Texts", "Hello", "Hallo"},
        {{"pt_BR"}, "Texts", "Hello", "Olá"},
        {{"pt"}, "Texts", "Hello", "Hello"},
        {{"fr"}, "Texts", "Hello", "Hello"}, // the malformed table is passed over
        {{}, "Texts", "Hello", "Hello"},
        {{"de"}, "Texts", "OnlyEnglish", "default"}, // no falling back key by key
        {{"de"}, "Shared", "Hello", "Base hello"},
        {{"de"}, "Absent", "Hello", "default"},
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
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "-");

    localization.setPreferredLanguages({"de_AT"});
    EXPECT_EQ(localization.preferredLanguages(), std::vector<std::string>{"de_AT"});
    EXPECT_EQ(localization.localizedString(resources, "Texts", "Hello", "-"), "Servus");
    EXPECT_EQ(localization.localizedString(resources, "Later", "Hello", "-"), "Später");
}

TEST(Localization, AnswersConsistentlyFromSeveralThreads) {
    const std::string resources = makeResources();
    Localization localization({"de"});
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                const std::string text =
                    localization.localizedString(resources, "Texts", "Hello", "-");
                if (text != "Hallo" && text != "Olá")
                    ++wrong;
            }
        });
    }
    for (int i = 0; i < 50; ++i)
        localization.setPreferredLanguages({i % 2 ? "de" : "pt-BR"});
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(LocaleEnvironment, ReadsLanguagesInPosixOrder) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> variables;
        std::vector<std::string> languages;
    };
    const Case cases[] = {
        {{}, {"en"}},
        {{{"LANG", "de_DE.UTF-8"}}, {"de_DE"}},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR"}}, {"fr_FR"}},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "fr_FR"}, {"LC_ALL", "sv_SE@euro"}}, {"sv_SE"}},
        {{{"LANG", "de_DE"}, {"LC_ALL", "C"}}, {"en"}},
        {{{"LANG", ""}, {"LC_MESSAGES", "POSIX"}}, {"en"}},
        {{{"LANGUAGE", "pt_BR:de::fr_FR"}, {"LANG", "fr_FR.UTF-8"}}, {"pt_BR", "de", "fr_FR"}},
    };
    for (const auto& c : cases) {
        ScopedLocaleVariables scope;
        for (const auto& [name, value] : c.variables)
            scope.set(name, value);
        EXPECT_EQ(LocaleEnvironment::preferredLanguages(), c.languages)
            << (c.variables.empty() ? "" : c.variables[0].second);
    }

    ScopedLocaleVariables scope;
    scope.set("LANG", "en_US.UTF-8");
    scope.set("LC_NUMERIC", "de_DE.UTF-8");
    EXPECT_EQ(LocaleEnvironment::numericLocale(), "de_DE");
    EXPECT_EQ(LocaleEnvironment::messagesLocale(), "en_US");
}
