#include "shell/ApplicationKinds.h"

#include "shell/AppImageKind.h"
#include "shell/FlatpakKind.h"

const std::vector<const ApplicationKind*>& ApplicationKinds::all() {
    static const AppImageKind appImages;
    static const FlatpakKind flatpaks;
    static const std::vector<const ApplicationKind*> kinds{&appImages, &flatpaks};
    return kinds;
}

const ApplicationKind* ApplicationKinds::of(const platform::Bundle& application) {
    for (const ApplicationKind* kind : all()) {
        if (kind->kind() == application.kind())
            return kind;
    }
    return nullptr;
}

const ApplicationKind* ApplicationKinds::mayBeApplicationAt(const std::string& path) {
    for (const ApplicationKind* kind : all()) {
        if (kind->mayBeApplicationAt(path))
            return kind;
    }
    return nullptr;
}

std::optional<std::string> ApplicationKinds::displayNameOf(const platform::Bundle& application) {
    if (!of(application))
        return std::nullopt;
    const platform::PlistValue* name = application.objectForInfoDictionaryKey("CFBundleName");
    const std::string* text = name ? name->asString() : nullptr;
    if (!text || text->empty())
        return std::nullopt;
    return *text;
}
