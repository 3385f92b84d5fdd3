#include "knowledge/TBXMLError.h"

#include <array>

std::string_view TBXMLError::descriptionForCode(int code) {
    static constexpr std::array<std::string_view, 12> kMessages{
        "Data is nil",
        "Decode failure",
        "Unable to allocate memory",
        "File not found in bundle",
        "Element is nil",
        "Element name is nil",
        "Element not found",
        "Element text is nil",
        "Attribute is nil",
        "Attribute name is nil",
        "Attribute not found",
        "Parameter name is nil",
    };
    if (code < 1 || code > static_cast<int>(kMessages.size()))
        return "No Error Description!";
    return kMessages[static_cast<size_t>(code - 1)];
}
