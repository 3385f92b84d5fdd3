#include "knowledge/DataChangeCommon.h"

#include "ContainerTestSupport.h"
#include "knowledge/DataDecompressor.h"

#include <gtest/gtest.h>

using namespace container_test;

TEST(DataChangeCommon, CopiesOnlyRangesThatFit) {
    const std::string source = "0123456789";
    const std::pair<ByteRange, std::optional<std::string>> cases[] = {
        {{3, 4}, "3456"},        {{10, 0}, ""},           {{9, 2}, std::nullopt},
        {{11, 0}, std::nullopt}, {{2, SIZE_MAX}, std::nullopt}, {{SIZE_MAX, 2}, std::nullopt},
    };
    for (const auto& [range, copied] : cases) {
        EXPECT_EQ(text(DataDecompressor::dataFromData(bytes(source), range)),
                  copied.value_or("<nothing>"))
            << range.location;
        SecureBuffer target(std::string_view("ab"));
        EXPECT_EQ(DataChangeCommon::appendToData(target, range, bytes(source)),
                  copied.has_value());
        EXPECT_EQ(target.view(), "ab" + copied.value_or("")) << range.location;
    }
}
