#pragma once

#include <string>

namespace platform {

// The real user's entry in the system's user database.
class UserAccount {
public:
    // Empty when the database has no entry for the user or cannot be read. Any thread may ask.
    static std::string homeFolder();
    static std::string loginName();
    static unsigned id();
};

} // namespace platform
