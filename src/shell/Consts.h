#pragma once

#include <string>

// Fixed names and addresses of the product.
class Consts {
public:
    static Consts& GetInstance();

    std::string getMainAppName() const { return "Sweepwise"; }
    // The help page about the custom notification (entry 16 of the link catalogue).
    std::string getCustomNotificationHelpURL() const;

    // The product's web links by catalogue number; empty for an unknown number.
    static std::string linkForType(int type);

private:
    Consts() = default;
};
