#include "search/SizeMetrics.h"

#include "search/ByteCountFormatterManager.h"

std::vector<std::string> SizeMetrics::metrixes() {
    return ByteCountFormatterManager::allOrderedSupportedUnitDescriptions();
}
