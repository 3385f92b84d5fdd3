#include "shell/Consts.h"

namespace {

constexpr int kCustomNotificationHelpLink = 16;

} // namespace

Consts& Consts::GetInstance() {
    static Consts instance;
    return instance;
}

std::string Consts::linkForType(int type) {
    switch (type) {
    case kCustomNotificationHelpLink:
        return "https://halvorn.com/sweepwise/help/custom-notification";
    default:
        return {};
    }
}

std::string Consts::getCustomNotificationHelpURL() const {
    return linkForType(kCustomNotificationHelpLink);
}
