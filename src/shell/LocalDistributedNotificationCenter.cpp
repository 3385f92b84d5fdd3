#include "shell/LocalDistributedNotificationCenter.h"

std::shared_ptr<LocalDistributedNotificationCenter> LocalDistributedNotificationCenter::create() {
    return std::shared_ptr<LocalDistributedNotificationCenter>(
        new LocalDistributedNotificationCenter);
}

bool LocalDistributedNotificationCenter::post(const std::string& name,
                                              const std::optional<std::string>& object,
                                              const platform::PlistValue& userInfo) {
    if (name.empty() || !isValidUserInfo(userInfo))
        return false;
    deliver(name, object, userInfo);
    return true;
}
