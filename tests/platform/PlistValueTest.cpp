#include "platform/PlistValue.h"

#include <gtest/gtest.h>
#include <type_traits>

using platform::PlistValue;

// A pointer must not quietly turn into a Boolean.
static_assert(!std::is_convertible_v<const int*, PlistValue>);

TEST(PlistValue, AnswersOnlyThroughTheAccessorOfItsKind) {
    // One value of each kind, in the order of Kind.
    const PlistValue values[] = {
        PlistValue(),
        PlistValue::Dictionary{{"k", 1}},
        PlistValue::Array{1},
        "text",
        7u,
        7.5,
        false,
        PlistValue::Data{1},
        PlistValue::Date{1.5},
        PlistValue::Uid{3},
    };
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const PlistValue& v = values[i];
        EXPECT_EQ(static_cast<std::size_t>(v.kind()), i);
        const int answers =
            (v.asDictionary() != nullptr) + (v.asArray() != nullptr) + (v.asString() != nullptr) +
            v.asInteger().has_value() + v.asReal().has_value() + v.asBoolean().has_value() +
            (v.asData() != nullptr) + v.asDate().has_value() + v.asUid().has_value();
        EXPECT_EQ(answers, v.isNull() ? 0 : 1) << i;
        EXPECT_EQ(v.asNumber().has_value(), v.asInteger() || v.asReal()) << i;
        EXPECT_EQ(v.get("k") != nullptr, v.asDictionary() != nullptr) << i;
        EXPECT_EQ(v.item(0) != nullptr, v.asArray() != nullptr) << i;
    }
}

TEST(PlistValue, ComparesDeeplyAndByKind) {
    auto tree = [](PlistValue leaf) {
        return PlistValue(PlistValue::Dictionary{
            {"list", PlistValue::Array{1, "two", PlistValue::Dictionary{{"x", leaf}}}}});
    };
    EXPECT_EQ(tree(3), tree(3));
    EXPECT_NE(tree(3), tree(4));
    EXPECT_NE(tree(3), tree(3.0));
    EXPECT_NE(PlistValue(1), PlistValue(true));
    EXPECT_NE(PlistValue(PlistValue::Date{5}), PlistValue(5.0));
    EXPECT_NE(PlistValue(PlistValue::Uid{5}), PlistValue(5));
    EXPECT_NE(PlistValue(PlistValue::Array{}), PlistValue(PlistValue::Dictionary{}));
    EXPECT_EQ(*tree("leaf").get("list")->item(2)->get("x"), PlistValue("leaf"));
    EXPECT_EQ(tree("leaf").get("list")->item(3), nullptr);
}
