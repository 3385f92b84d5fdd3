// Loading the model from any bytes: the plaintext is zeroed afterwards, and the
// indexes agree with the records and groups they file.
#include "FuzzSupport.h"
#include "knowledge/KnowledgeBaseData.h"
#include "platform/Path.h"

#include <algorithm>

using namespace fuzz_support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SecureBuffer xml(bytes(data, size));
    auto base = KnowledgeBaseData::createWithXMLData(xml);
    require(base != nullptr);
    require(std::all_of(xml.bytes().begin(), xml.bytes().end(),
                        [](std::uint8_t byte) { return byte == 0; }));
    if (!base->isParsed())
        return 0;

    for (const auto& [key, group] : base->recordGroups()) {
        require(group && group->domainIdentifier());
        require(group->domainIdentifier()->uniqueIdentifier() == key);
        require(base->groupByDomainIdentifier(group->domainIdentifier()) == group);
    }
    for (const auto& [fileName, head] : base->recordsByFileNames()) {
        for (auto record = head; record; record = record->nextRecord()) {
            require(platform::Path::lastComponent(record->path()) == fileName);
            require(record->name() == fileName);
            require(record->hasPath(record->path()));
            require(record->domainIdentifier() != nullptr);
        }
    }
    for (const auto& [identifier, group] : base->domainGroupRecordByAppUniqueIdentifier())
        require(group != nullptr);
    for (const auto& rule : base->searchRules())
        require(rule != nullptr);
    return 0;
}
