#pragma once

#include "shell/DistributedNotificationCenter.h"

#include <memory>

// The centre used when there is no session bus: notifications reach the observers
// of this process only.
class LocalDistributedNotificationCenter : public DistributedNotificationCenter {
public:
    static std::shared_ptr<LocalDistributedNotificationCenter> create();

    bool post(const std::string& name, const std::optional<std::string>& object,
              const platform::PlistValue& userInfo = {}) override;

private:
    LocalDistributedNotificationCenter() = default;
};
