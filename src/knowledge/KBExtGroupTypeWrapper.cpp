#include "knowledge/KBExtGroupTypeWrapper.h"

#include <array>
#include <utility>

namespace {

constexpr ExtGroupType kOtherGroupType = 7;

constexpr std::array<std::pair<std::string_view, ExtGroupType>, 9> kGroupTypes{{
    {"la", 0},
    {"li", 0},
    {"si", 0},
    {"ip", 1},
    {"w", 2},
    {"ss", 3},
    {"bp", 4},
    {"pp", 5},
    {"inst", 6},
}};

} // namespace

ExtGroupType KBExtGroupTypeWrapper::groupTypeForGroupID(std::string_view groupID) {
    for (const auto& [code, type] : kGroupTypes) {
        if (code == groupID)
            return type;
    }
    return kOtherGroupType;
}
