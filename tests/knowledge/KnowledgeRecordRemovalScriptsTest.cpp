#include "knowledge/KnowledgeRecordRemovalScripts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Each case lists scripts as (version expression, content), then versions and the content
// of the script chosen for each ("-" for none).
TEST(KnowledgeRecordRemovalScripts, ChoosesTheScriptForAVersion) {
    using Pairs = std::vector<std::pair<std::optional<std::string>, std::string>>;
    const std::pair<Pairs, Pairs> cases[] = {
        {{{"^1", "first"}, {std::nullopt, "A"}, {std::nullopt, "B"}},
         {{"2.0", "B"}, {"1.5", "first"}, {std::nullopt, "A"}, {"", "B"}}},
        // Expressions are searched for, not anchored, and letter case counts.
        {{{"2", "two"}, {"b", "lower"}}, {{"12.1", "two"}, {"B1", "-"}, {"1b", "lower"}}},
        {{{"^1", "one"}, {"^2", "two"}}, {{std::nullopt, "-"}, {"3", "-"}}},
        {{{"(", "broken"}, {std::nullopt, "A"}}, {{"(", "A"}}},
    };
    for (const auto& [listed, queries] : cases) {
        std::vector<std::shared_ptr<const CustomRemovalScript>> scripts;
        for (const auto& [version, content] : listed)
            scripts.push_back(std::make_shared<const CustomRemovalScript>(content, version, false));
        KnowledgeRecordRemovalScripts record(std::move(scripts));
        for (const auto& [version, chosen] : queries) {
            auto script = record.scriptForVersion(version);
            EXPECT_EQ(script ? script->content() : "-", chosen)
                << version.value_or("(none)") << " among " << listed.size();
        }
    }
}
