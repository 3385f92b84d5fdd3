#include "knowledge/KnowledgeRecordRemovalScripts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Listed {
    std::optional<std::string> version;
    std::string content;
};

struct Query {
    std::optional<std::string> version;
    std::string chosen;
};

KnowledgeRecordRemovalScripts scriptsOf(const std::vector<Listed>& listed) {
    std::vector<std::shared_ptr<const CustomRemovalScript>> scripts;
    for (const auto& script : listed)
        scripts.push_back(
            std::make_shared<const CustomRemovalScript>(script.content, script.version, false));
    return KnowledgeRecordRemovalScripts(std::move(scripts));
}

} // namespace

TEST(KnowledgeRecordRemovalScripts, ChoosesTheScriptForAVersion) {
    const std::vector<std::pair<std::vector<Listed>, std::vector<Query>>> cases{
        {{{"^1", "first"}, {std::nullopt, "A"}, {std::nullopt, "B"}},
         {{"2.0", "B"}, {"1.5", "first"}, {std::nullopt, "A"}, {"", "B"}}},
        // Expressions are searched for, not anchored, and letter case counts.
        {{{"2", "two"}, {"b", "lower"}}, {{"12.1", "two"}, {"B1", "-"}, {"1b", "lower"}}},
        {{{"^1", "one"}, {"^2", "two"}}, {{std::nullopt, "-"}, {"3", "-"}}},
        {{{"(", "broken"}, {std::nullopt, "A"}}, {{"(", "A"}}},
    };
    for (const auto& [listed, queries] : cases) {
        KnowledgeRecordRemovalScripts scripts = scriptsOf(listed);
        for (const auto& query : queries) {
            auto chosen = scripts.scriptForVersion(query.version);
            EXPECT_EQ(chosen ? chosen->content() : "-", query.chosen)
                << query.version.value_or("(none)") << " among " << listed.size();
        }
    }
}
