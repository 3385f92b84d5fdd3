#include "knowledge/CDValidationInfo.h"

#include "platform/PlistValue.h"

const platform::PlistValue* CDValidationInfo::operand(size_t index) const {
    const auto* elements = options.asArray();
    if (!elements || index >= elements->size())
        return nullptr;
    return &(*elements)[index];
}
