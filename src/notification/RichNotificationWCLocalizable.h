#pragma once

#include <cstdint>
#include <string>

// The texts of the notification panel, from the strings table
// "RichNotificationWCLocalizable" of the helper's resources, English by default.
//
// The words between "<a>" and "</a>" are the ones to emphasise; the markers are left
// in the texts. The two descriptions use the system's word for the Trash.
class RichNotificationWCLocalizable {
public:
    static std::string closeButtonTitle();
    static std::string uninstallButtonTitle();

    // "Would you like to uninstall <a>Foo</a> completely?"
    static std::string titleWithAppName(const std::string& appName);
    static std::string multipleAppsTitleWith(std::int64_t count);

    // Two lines: where the application went, and how much it left behind.
    static std::string descriptionWithAppName(const std::string& appName,
                                              const std::string& sizeString);
    static std::string descriptionWithApplicationsCount(std::int64_t count,
                                                        const std::string& sizeString);
    // The same for applications that were uninstalled (a Flatpak application leaves its
    // installation; nothing reaches the Trash), and for several of which some were
    // uninstalled and some moved to the Trash.
    static std::string uninstalledDescriptionWithAppName(const std::string& appName,
                                                         const std::string& sizeString);
    static std::string uninstalledDescriptionWithApplicationsCount(std::int64_t count,
                                                                   const std::string& sizeString);
    static std::string mixedDescriptionWithApplicationsCount(std::int64_t count,
                                                             const std::string& sizeString);

    // "Foo - Complete Uninstallation". A translation may use the further arguments:
    // the size text, the number of other applications and the flag as 1 or 0.
    static std::string descriptionWithAppName(const std::string& appName,
                                              const std::string& sizeString,
                                              std::int64_t numberOfOtherApps,
                                              bool areWeSureIfAllElementsAreCalculated);
};
