#include "knowledge/MutableExtensionsSkipList.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// Few values, so that items collide often; "" and ":" guard against ambiguous index keys.
KBExtensionSkipItem randomItem(std::mt19937& random, int presence) {
    static const std::string alphabet[] = {"a", "b", "", "1:a", "a1:", "a:b"};
    std::array<std::optional<std::string>, 5> v;
    for (auto& value : v)
        if (static_cast<int>(random() % 100) < presence)
            value = alphabet[random() % 6];
    return KBExtensionSkipItem(static_cast<ExtGroupType>(random() % 3), v[0], v[1], v[2], v[3],
                               v[4]);
}

// By definition: a stored item of the same kind whose present properties all match.
bool containsByScan(const std::vector<KBExtensionSkipItem>& stored,
                    const KBExtensionSkipItem& tested) {
    return std::any_of(stored.begin(), stored.end(), [&](const KBExtensionSkipItem& candidate) {
        return candidate.groupType() == tested.groupType() &&
               std::all_of(KBExtensionSkipItem::kProperties.begin(),
                           KBExtensionSkipItem::kProperties.end(), [&](auto property) {
                               const auto& value =
                                   KBExtensionSkipItem::valueForProperty(candidate, property);
                               return !value || KBExtensionSkipItem::valueForProperty(
                                                    tested, property) == value;
                           });
    });
}

} // namespace

TEST(MutableExtensionsSkipList, AnswersLikeAScanOfEveryStoredItem) {
    std::mt19937 random(20240611);
    int matches = 0;
    for (int round = 0; round < 300; ++round) {
        MutableExtensionsSkipList list;
        std::vector<KBExtensionSkipItem> stored;
        for (int i = random() % 12; i > 0; --i) {
            stored.push_back(randomItem(random, 35));
            list.addItem(stored.back());
        }
        for (int query = 0; query < 50; ++query) {
            auto tested = randomItem(random, 70);
            bool expected = containsByScan(stored, tested);
            ASSERT_EQ(list.contains(tested), expected) << "round " << round << " query " << query;
            matches += expected;
        }
    }
    // Both answers must have come up often for the comparison to mean anything.
    EXPECT_GT(matches, 1000);
    EXPECT_LT(matches, 300 * 50 - 1000);
}
