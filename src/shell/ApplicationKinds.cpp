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
