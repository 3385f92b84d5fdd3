#include "shell/SystemElementsReadableDescription.h"

#include "platform/Text.h"
#include "shell/MacOSVersion.h"

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    std::size_t position = 0;
    while ((position = text.find(from, position)) != std::string::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
}

} // namespace

const std::string& SystemElementsReadableDescription::trashName() {
    static const std::string name = trashNameFor(MacOSVersion::GetInstance());
    return name;
}

std::string SystemElementsReadableDescription::trashNameFor(const MacOSVersion& system) {
    // The version comparison answers yes for an unknown version, which must not turn a
    // Linux desktop's Trash into a Bin.
    if (system.version() && system.isMacOSHasVersion("10.15.0", false, true))
        return "Bin";
    return trashDefaultName();
}

std::string SystemElementsReadableDescription::adaptingTrashName(const std::string& text) {
    return adaptingTrashName(text, trashName());
}

std::string SystemElementsReadableDescription::adaptingTrashName(const std::string& text,
                                                                 const std::string& name) {
    if (name == trashDefaultName())
        return text;
    std::string result = text;
    replaceAll(result, "Trash", name);
    replaceAll(result, "trash", platform::Text::lowercase(name));
    return result;
}
