#include "notification/RichNotificationWCLocalizable.h"

#include "notification/LocalizedFormat.h"
#include "shell/HelperResources.h"
#include "shell/SystemElementsReadableDescription.h"

namespace {

constexpr const char* kTable = "RichNotificationWCLocalizable";

std::string text(const char* key, const char* defaultValue, const char* comment) {
    return HelperResources::localizedString(kTable, key, defaultValue, comment);
}

} // namespace

std::string RichNotificationWCLocalizable::closeButtonTitle() {
    return text("CloseButtonTitle", "Ignore", "Close button title");
}

std::string RichNotificationWCLocalizable::uninstallButtonTitle() {
    return text("UninstallButtonTitle", "Uninstall with Sweepwise",
                "Complete uninstall buttonTitle");
}

std::string RichNotificationWCLocalizable::titleWithAppName(const std::string& appName) {
    return LocalizedFormat::format(
        text("Title", "Would you like to uninstall <a>%@</a> completely?", "Title"), {appName});
}

std::string RichNotificationWCLocalizable::multipleAppsTitleWith(std::int64_t count) {
    return LocalizedFormat::format(text("Title_MultipleApps",
                                        "Would you like to uninstall %zd applications completely?",
                                        "Title"),
                                   {count});
}

std::string RichNotificationWCLocalizable::descriptionWithAppName(const std::string& appName,
                                                                  const std::string& sizeString) {
    const std::string format = text("Description_OneApp",
                                    "<a>%@</a> application was moved to Trash.\n"
                                    "<a>%@</a> of broken service files left behind.",
                                    "Title");
    return SystemElementsReadableDescription::adaptingTrashName(
        LocalizedFormat::format(format, {appName, sizeString}));
}

std::string
RichNotificationWCLocalizable::descriptionWithApplicationsCount(std::int64_t count,
                                                                const std::string& sizeString) {
    const std::string format = text("Description_MultipleApps",
                                    "<a>%d applications</a> were moved to Trash.\n"
                                    "<a>%@</a> of broken service files left behind.",
                                    "Title");
    return SystemElementsReadableDescription::adaptingTrashName(
        LocalizedFormat::format(format, {count, sizeString}));
}

std::string
RichNotificationWCLocalizable::uninstalledDescriptionWithAppName(const std::string& appName,
                                                                 const std::string& sizeString) {
    const std::string format = text("Description_OneApp_Uninstalled",
                                    "<a>%@</a> application was uninstalled.\n"
                                    "<a>%@</a> of broken service files left behind.",
                                    "Description of one application that was uninstalled, not "
                                    "moved to the Trash: its name, then the size left behind");
    return LocalizedFormat::format(format, {appName, sizeString});
}

std::string RichNotificationWCLocalizable::uninstalledDescriptionWithApplicationsCount(
    std::int64_t count, const std::string& sizeString) {
    const std::string format = text("Description_MultipleApps_Uninstalled",
                                    "<a>%d applications</a> were uninstalled.\n"
                                    "<a>%@</a> of broken service files left behind.",
                                    "Description of several applications that were all "
                                    "uninstalled: their number, then the size left behind");
    return LocalizedFormat::format(format, {count, sizeString});
}

std::string RichNotificationWCLocalizable::mixedDescriptionWithApplicationsCount(
    std::int64_t count, const std::string& sizeString) {
    const std::string format =
        text("Description_MultipleApps_Mixed",
             "<a>%d applications</a> were uninstalled or moved to Trash.\n"
             "<a>%@</a> of broken service files left behind.",
             "Description of several applications, some uninstalled and some moved to the "
             "Trash: their number, then the size left behind");
    return SystemElementsReadableDescription::adaptingTrashName(
        LocalizedFormat::format(format, {count, sizeString}));
}

std::string RichNotificationWCLocalizable::descriptionWithAppName(
    const std::string& appName, const std::string& sizeString, std::int64_t numberOfOtherApps,
    bool areWeSureIfAllElementsAreCalculated) {
    const std::string format =
        text("DescriptionOfAlert", "%@ - Complete Uninstallation", "description of the alert");
    return LocalizedFormat::format(format, {appName, sizeString, numberOfOtherApps,
                                            std::int64_t{areWeSureIfAllElementsAreCalculated}});
}
