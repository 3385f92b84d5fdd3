#pragma once

#include "platform/Bundle.h"

#include <memory>

// Whatever presents an application that reached the Trash to the user; in the
// helper, the notification panel's controller.
class AppNotificationController {
public:
    virtual ~AppNotificationController() = default;

    virtual void showNotificationForApp(const std::shared_ptr<platform::Bundle>& bundle) = 0;
};
