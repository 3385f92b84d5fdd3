#include "platform/UserAccount.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// The real user's entry in the user database, read with the reentrant call so
// that any thread may ask.
template <typename Field> std::string accountField(Field field) {
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        passwd entry{};
        passwd* found = nullptr;
        int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || !found)
            return {};
        const char* value = field(*found);
        return value ? std::string(value) : std::string();
    }
    return {};
}

} // namespace

std::string UserAccount::homeFolder() {
    return accountField([](const passwd& entry) { return entry.pw_dir; });
}

std::string UserAccount::loginName() {
    return accountField([](const passwd& entry) { return entry.pw_name; });
}

unsigned UserAccount::id() {
    return static_cast<unsigned>(getuid());
}

} // namespace platform
