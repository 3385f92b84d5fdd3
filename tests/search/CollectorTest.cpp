#include "search/Collector.h"


#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

TEST(Collector, MakesEachValueOnceAndOnlyWhenAskedTo) {
    int built = 0;
    Collector<std::string, std::vector<int>> collector([&built] {
        ++built;
        return std::vector<int>{};
    });
    EXPECT_TRUE(collector.isEmpty());
    EXPECT_EQ(collector.existingValueForKey("a"), nullptr);
    EXPECT_TRUE(collector.isEmpty());

    collector.valueForKey("a").push_back(1);
    collector.valueForKey("a").push_back(2);
    std::vector<int>& b = collector.valueForKey("b");
    b.push_back(3);
    collector.valueForKey("c");
    EXPECT_EQ(built, 3);
    // Values stay where they are while other keys come and go.
    for (int key = 0; key < 100; ++key)
        collector.valueForKey(std::to_string(key));
    EXPECT_EQ(&b, collector.existingValueForKey("b"));

    collector.removeValueForKey("c");
    collector.removeValueForKey("missing");
    std::map<std::string, std::vector<int>> seen;
    collector.enumerateKeysAndValues([&](const std::string& key, const std::vector<int>& value) {
        if (key.size() == 1 && key[0] >= 'a')
            seen[key] = value;
    });
    EXPECT_EQ(seen, (std::map<std::string, std::vector<int>>{{"a", {1, 2}}, {"b", {3}}}));

    collector.removeAllValues();
    EXPECT_TRUE(collector.isEmpty());
    EXPECT_TRUE(collector.valueForKey("a").empty());
}

TEST(SpecifiedCollector, GivesEachKeyItsOwnSetOfObjects) {
    struct Item {};
    auto first = std::make_shared<Item>();
    auto second = std::make_shared<Item>();
    SpecifiedCollector<std::string, std::shared_ptr<Item>> collector;
    auto& names = collector.valueForKey("name");
    ASSERT_TRUE(names);
    EXPECT_FALSE(names->anyObject());
    names->addObject(first);
    names->addObject(first);
    names->addObject(second);
    collector.valueForKey("path")->addObject(second);

    EXPECT_EQ(names->count(), 2u);
    EXPECT_EQ(names->allObjects().size(), 2u);
    auto any = names->anyObject();
    ASSERT_TRUE(any);
    EXPECT_TRUE(*any == first || *any == second);
    auto paths = collector.valueForKey("path")->allObjects();
    EXPECT_EQ(paths, (std::vector<std::shared_ptr<Item>>{second}));
    EXPECT_NE(collector.valueForKey("other"), names);
    EXPECT_EQ(collector.valueForKey("other")->count(), 0u);
}
