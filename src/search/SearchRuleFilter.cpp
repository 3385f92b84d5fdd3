#include "search/SearchRuleFilter.h"

#include "knowledge/KBXMLRuleFilter.h"

SearchRuleFilter::SearchRuleFilter(const KBXMLRuleFilter& filter)
    : separate(filter.separate()), goDeeper(filter.goDeeper()),
      domainIdentifier(filter.domainIdentifier()), group(filter.group()),
      isSystemItem(filter.isSystem()), deep(filter.deep()),
      type(filter.fileType() < 0 ? kAnyType : static_cast<std::uint64_t>(filter.fileType())),
      name(filter.name()), namePrefix(filter.namePrefix()), nameSuffix(filter.nameSuffix()) {}
