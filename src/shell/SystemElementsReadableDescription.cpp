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
    static const std::string name =
        MacOSVersion::GetInstance().isMacOSHasVersion("10.15.0", false, true) ? "Bin" : "Trash";
    return name;
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
