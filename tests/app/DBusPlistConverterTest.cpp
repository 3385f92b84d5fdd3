#include "app/DBusPlistConverter.h"

#include <QPoint>
#include <gtest/gtest.h>

using platform::PlistValue;

namespace {

PlistValue nestedDictionaries(int depth) {
    PlistValue value(PlistValue::Dictionary{});
    for (int i = 0; i < depth; ++i)
        value = PlistValue(PlistValue::Dictionary{{"d", value}});
    return value;
}

} // namespace

TEST(DBusPlistConverter, RefusesValuesTheBusCannotHold) {
    const std::string withNul("a\0b", 3);
    struct Case {
        const char* what;
        PlistValue value;
    };
    const Case cases[] = {
        {"null", PlistValue()},
        {"NUL in a string", PlistValue(withNul)},
        {"ill-formed UTF-8", PlistValue("\xFF\xFE")},
        {"truncated UTF-8", PlistValue("\xE2\x82")},
        {"NUL in a key", PlistValue(PlistValue::Dictionary{{withNul, 1}})},
        {"null in an array", PlistValue(PlistValue::Array{PlistValue(1), PlistValue()})},
        {"too deep", nestedDictionaries(DBusPlistConverter::kMaxDepth + 1)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(DBusPlistConverter::toVariant(c.value)) << c.what;
    EXPECT_TRUE(DBusPlistConverter::toVariant(nestedDictionaries(DBusPlistConverter::kMaxDepth)));
    EXPECT_FALSE(DBusPlistConverter::toVariantMap(PlistValue("text")));
    EXPECT_FALSE(DBusPlistConverter::toVariantMap(PlistValue(PlistValue::Array{})));
}

TEST(DBusPlistConverter, LeavesOutWhatHasNoCounterpart) {
    EXPECT_FALSE(DBusPlistConverter::fromVariant(QVariant(QPoint(1, 2))));
    EXPECT_FALSE(DBusPlistConverter::fromVariant(QVariant()));

    QVariantMap map{{"kept", 1}, {"dropped", QVariant(QPoint(1, 2))}};
    EXPECT_EQ(DBusPlistConverter::fromVariant(QVariant(map)),
              PlistValue(PlistValue::Dictionary{{"kept", 1}}));
    QVariantList list{QVariant(QPoint()), QVariant(true)};
    EXPECT_EQ(DBusPlistConverter::fromVariant(QVariant(list)),
              PlistValue(PlistValue::Array{PlistValue(true)}));

    // Anything but a dictionary as user information counts as none.
    EXPECT_EQ(DBusPlistConverter::dictionaryFromArgument(QVariant(5)),
              PlistValue(PlistValue::Dictionary{}));
}
