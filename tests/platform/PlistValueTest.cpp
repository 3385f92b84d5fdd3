#include "platform/PlistValue.h"

#include <gtest/gtest.h>
#include <type_traits>

using platform::PlistValue;

// A pointer must not quietly turn into a Boolean.
static_assert(!std::is_convertible_v<const int*, PlistValue>);

TEST(PlistValue, ComparesDeeplyAndByKind) {
    auto tree = [](PlistValue leaf) {
        return PlistValue(PlistValue::Dictionary{
            {"list", PlistValue::Array{1, "two", PlistValue::Dictionary{{"x", leaf}}}}});
    };
    EXPECT_EQ(tree(3), tree(3));
    EXPECT_NE(tree(3), tree(4));
    EXPECT_NE(tree(3), tree(3.0));
    EXPECT_NE(PlistValue(1), PlistValue(true));
    EXPECT_NE(PlistValue(PlistValue::Uid{5}), PlistValue(5));
    EXPECT_EQ(*tree("leaf").get("list")->item(2)->get("x"), PlistValue("leaf"));
    EXPECT_EQ(tree("leaf").get("list")->item(3), nullptr);
}
