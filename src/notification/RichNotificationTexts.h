#pragma once

#include "HVCocoaPackage/AttributedString.h"

#include <QString>
#include <cstdint>

// The panel's title and description, styled: what the panel says about the applications
// that went, given the figures its controller gathered. Holds no state.
class RichNotificationTexts {
public:
    // "<name> was moved to the Trash" for one application (its name as shown, perhaps
    // shortened), or the count of several.
    static AttributedString title(std::int64_t applications, const QString& shownAppName);

    // What removing the leftovers frees, `bytes` in all. For several applications,
    // `uninstalled` of them were uninstalled (Flatpak) rather than trashed; for one,
    // `wasUninstalled` says whether it was.
    struct Description {
        std::int64_t applications{1};
        std::int64_t uninstalled{0};
        bool wasUninstalled{false};
        std::uint64_t bytes{0};
        QString shownAppName;
    };
    static AttributedString description(const Description& figures);
};
