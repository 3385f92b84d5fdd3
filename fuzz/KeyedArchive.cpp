#include "shell/KeyedArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Objects of classes the reader skips decode as null, which has no archived form.
bool holdsNull(const platform::PlistValue& value) {
    if (value.isNull())
        return true;
    if (const auto* array = value.asArray()) {
        for (const auto& element : *array)
            if (holdsNull(element))
                return true;
    }
    if (const auto* dictionary = value.asDictionary()) {
        for (const auto& entry : *dictionary)
            if (holdsNull(entry.second))
                return true;
    }
    return false;
}

} // namespace

// Any bytes: decoding answers a value or none. A decoded value can be archived again
// unless it holds a skipped object (then it cannot), and that archive decodes to a
// value that archives to the same bytes. Very
// large results are only archived: the property-list reader caps how many objects a
// file may expand to, and a small archive of shared objects can exceed it once
// written out flat.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto value = KeyedArchive::unarchive(bytes);
    if (!value)
        return 0;
    const auto archived = KeyedArchive::archivedData(*value);
    if (archived.has_value() == holdsNull(*value))
        std::abort();
    if (!archived)
        return 0;
    if (archived->size() > (std::size_t(1) << 18))
        return 0;
    const auto again = KeyedArchive::unarchive(*archived);
    if (!again || KeyedArchive::archivedData(*again) != archived)
        std::abort();
    return 0;
}
