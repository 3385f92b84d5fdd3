#include "knowledge/MutableExtensionsSkipList.h"

#include "knowledge/KBXMLDocument.h"
#include "support/Sandbox.h"

#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using testing_support::Sandbox;

namespace {

using Values = std::array<std::optional<std::string>, 5>;

// In the order of KBExtensionSkipItem::Property: name, bundleID, path, mainAppPath,
// browserExtensionID.
KBExtensionSkipItem item(ExtGroupType type, const Values& values) {
    return KBExtensionSkipItem(type, values[0], values[1], values[2], values[3], values[4]);
}

// The list's answer by its definition: some stored item of the same kind whose every
// property is present in the tested object with the same value.
bool containsByScan(const std::vector<KBExtensionSkipItem>& stored,
                    const KBExtensionSkipItem& tested) {
    for (const auto& candidate : stored) {
        if (candidate.groupType() != tested.groupType())
            continue;
        bool matches = true;
        for (auto property : KBExtensionSkipItem::kProperties) {
            const auto& value = KBExtensionSkipItem::valueForProperty(candidate, property);
            if (value && KBExtensionSkipItem::valueForProperty(tested, property) != value)
                matches = false;
        }
        if (matches)
            return true;
    }
    return false;
}

std::vector<KBExtensionSkipItem> itemsOf(const std::string& items) {
    auto document = KBXMLDocument::create("<base><extensionsSkipList>" + items +
                                          "</extensionsSkipList></base>");
    EXPECT_NE(document, nullptr);
    std::vector<KBExtensionSkipItem> result;
    for (const auto& xmlItem : document->extensionsSkipList()->items())
        result.emplace_back(xmlItem);
    return result;
}

} // namespace

TEST(KBExtensionSkipItem, ReadsItsKindAndExpandsTheHomeFolderInPathsOnly) {
    EXPECT_EQ(KBExtGroupTypeWrapper::groupTypeForGroupID("si"), 0);
    EXPECT_EQ(KBExtGroupTypeWrapper::groupTypeForGroupID("LA"), 7);
    auto items = itemsOf(R"(<item group="li" name="~/n" path="~/Library/Ext" mainAppPath="~/A.app"/>
                           <item group="ip" path="~user/x"/>)");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].groupType(), 0);
    EXPECT_EQ(items[0].kbextPath(), Sandbox::process().home() + "/Library/Ext");
    EXPECT_EQ(items[0].kbextName(), "~/n");
    EXPECT_EQ(items[0].kbextMainAppPath(), "~/A.app");
    EXPECT_EQ(items[1].kbextPath(), "~user/x");
}

// Few distinct values, so that random items and tests collide often; the empty value and
// values with the index's own separator guard against ambiguous keys.
TEST(MutableExtensionsSkipList, AnswersLikeAScanOfEveryStoredItem) {
    const std::vector<std::string> alphabet{"a", "b", "", "1:a", "a1:", "a:b"};
    std::mt19937 random(20240611);
    auto randomValues = [&](int presence) {
        Values values;
        for (auto& value : values) {
            if (static_cast<int>(random() % 100) < presence)
                value = alphabet[random() % alphabet.size()];
        }
        return values;
    };

    int matches = 0;
    for (int round = 0; round < 300; ++round) {
        MutableExtensionsSkipList list;
        std::vector<KBExtensionSkipItem> stored;
        int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) {
            stored.push_back(item(static_cast<ExtGroupType>(random() % 3), randomValues(35)));
            list.addItem(stored.back());
        }
        for (int query = 0; query < 50; ++query) {
            auto tested = item(static_cast<ExtGroupType>(random() % 3), randomValues(70));
            bool expected = containsByScan(stored, tested);
            ASSERT_EQ(list.contains(tested), expected) << "round " << round << " query " << query;
            matches += expected;
        }
    }
    // Both answers must have come up often for the comparison to mean anything.
    EXPECT_GT(matches, 1000);
    EXPECT_LT(matches, 300 * 50 - 1000);
}
