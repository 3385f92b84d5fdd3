#include "knowledge/SecureBuffer.h"

#include "ContainerTestSupport.h"

#include <gtest/gtest.h>

using namespace container_test;

TEST(SecureBuffer, WipesItsStorageOnEveryWayOut) {
    WipeRecorder recorder;
    { SecureBuffer destroyed(std::string_view("secret one")); }
    SecureBuffer cleansed(std::string_view("secret two!"));
    cleansed.cleanse();
    EXPECT_TRUE(cleansed.empty());

    SecureBuffer grown(std::string_view("abc"));
    grown.append(bytes("defghijk"));
    EXPECT_EQ(grown.view(), "abcdefghijk");

    SecureBuffer replaced(std::string_view("old contents"));
    replaced = SecureBuffer(std::string_view("new"));
    EXPECT_EQ(replaced.view(), "new");

    // destroyed (10), cleansed (11), grown's first storage (3), replaced's old one (12).
    EXPECT_TRUE(recorder.sawInOrder({10, 11, 3, 12}));
    EXPECT_TRUE(recorder.allZeroed());
}
