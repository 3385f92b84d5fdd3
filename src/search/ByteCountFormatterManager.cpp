#include "search/ByteCountFormatterManager.h"

#include "platform/ByteCountFormatter.h"
#include "search/ByteCountFormatterUnitsLocalizable.h"

#include <array>

std::vector<std::string> ByteCountFormatterManager::allOrderedSupportedUnitDescriptions() {
    using Unit = platform::ByteCountFormatter::Unit;
    static constexpr std::array kOrderedUnits{
        Unit::bytes,     Unit::kilobytes,  Unit::megabytes,
        Unit::gigabytes, Unit::terabytes,  Unit::petabytes,
        Unit::exabytes,  Unit::zettabytes, Unit::yottabytesOrHigher,
    };
    std::vector<std::string> descriptions;
    descriptions.reserve(kOrderedUnits.size());
    for (Unit unit : kOrderedUnits)
        descriptions.push_back(
            ByteCountFormatterUnitsLocalizable::localizedDescriptionForUnit(unit));
    return descriptions;
}
