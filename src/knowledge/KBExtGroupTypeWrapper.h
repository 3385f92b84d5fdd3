#pragma once

#include <string_view>

// The kind of an extension skip item, 0 to 7.
using ExtGroupType = int;

class KBExtGroupTypeWrapper {
public:
    // The kind of a group code (exact, case-sensitive); 7 for every unknown code.
    static ExtGroupType groupTypeForGroupID(std::string_view groupID);
};
