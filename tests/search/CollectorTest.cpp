#include "search/Collector.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

TEST(Collector, MakesEachValueOnceAndKeepsItInPlace) {
    int built = 0;
    Collector<std::string, std::vector<int>> collector([&built] {
        ++built;
        return std::vector<int>{};
    });
    EXPECT_EQ(collector.existingValueForKey("a"), nullptr);
    EXPECT_TRUE(collector.isEmpty());
    collector.valueForKey("a").push_back(1);
    collector.valueForKey("a").push_back(2);
    std::vector<int>& b = collector.valueForKey("b");
    b.push_back(3);
    EXPECT_EQ(built, 2);
    // Values stay where they are while other keys come and go.
    for (int key = 0; key < 100; ++key)
        collector.valueForKey(std::to_string(key));
    for (int key = 0; key < 100; ++key)
        collector.removeValueForKey(std::to_string(key));
    EXPECT_EQ(&b, collector.existingValueForKey("b"));
    std::map<std::string, std::vector<int>> seen;
    collector.enumerateKeysAndValues(
        [&](const std::string& key, const std::vector<int>& value) { seen[key] = value; });
    EXPECT_EQ(seen, (std::map<std::string, std::vector<int>>{{"a", {1, 2}}, {"b", {3}}}));
    collector.removeAllValues();
    EXPECT_TRUE(collector.isEmpty());
}
