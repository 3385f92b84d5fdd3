#pragma once

#include <string>

// Texts of the removed-applications list, from the strings table "AppsListLocalizable"
// of the helper's resources. The helper needs only the uninstall button's title.
class AppsListLocalizable {
public:
    static std::string uninstallButtonTitle();
};
