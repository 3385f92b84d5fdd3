#include "notification/AppsListLocalizable.h"

#include "shell/HelperResources.h"

std::string AppsListLocalizable::uninstallButtonTitle() {
    return HelperResources::localizedString("AppsListLocalizable", "UninstallButton_Title",
                                            "Uninstall", "");
}
