#include "search/ByteCountFormatterUnitsLocalizable.h"

#include "shell/HelperResources.h"

namespace {

constexpr const char* kTable = "ByteCountFormatterUnitsLocalizable";

std::string text(const char* key, const char* defaultValue, const char* comment) {
    return HelperResources::localizedString(kTable, key, defaultValue, comment);
}

} // namespace

std::string ByteCountFormatterUnitsLocalizable::localizedDescriptionForUnit(
    platform::ByteCountFormatter::Unit unit) {
    using Unit = platform::ByteCountFormatter::Unit;
    switch (unit) {
    case Unit::bytes:
        return text("Byte", "B", "Bytes symbol");
    case Unit::kilobytes:
        return text("K Bytes", "KB", "K Bytes symbol");
    case Unit::megabytes:
        return text("M Bytes", "MB", "M Bytes symbol");
    case Unit::gigabytes:
        return text("G Bytes", "GB", "G Bytes symbol");
    case Unit::terabytes:
        return text("T Bytes", "TB", "T Bytes symbol");
    case Unit::petabytes:
        return text("P Bytes", "PB", "P Bytes symbol");
    case Unit::exabytes:
        return text("E Bytes", "EB", "E Bytes symbol");
    case Unit::zettabytes:
        return text("Z Bytes", "ZB", "Z Bytes symbol");
    case Unit::yottabytesOrHigher:
        return text("Y Bytes", "YB", "Y Bytes symbol");
    }
    return "-";
}
