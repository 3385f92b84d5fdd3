#pragma once

#include "platform/Bundle.h"
#include "search/OfferReason.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A kind of application other than a bundle folder (an AppImage, a Flatpak), and what the
// road from the Trash to the offer needs to know of it: how it is recognised, how its
// identity is read (into a platform::Bundle made with Bundle::createDescribed, which the
// rest of the road takes as it takes a bundle), where its standard places are and what
// counts as another installed copy. Each kind lives in its own files; ApplicationKinds
// lists them.
class ApplicationKind {
public:
    // A standard place found for an application: a path that exists, its file group
    // (AppDependencyGroup) and why it is offered. It still goes through the safety pass.
    struct Place {
        std::string path;
        std::int32_t group;
        OfferReason reason;
    };

    virtual ~ApplicationKind() = default;

    virtual platform::Bundle::Kind kind() const = 0;

    // Whether the item at `path` may be an application of this kind, judged cheaply (its
    // name, its first bytes), without reading its identity. Main thread.
    virtual bool mayBeApplicationAt(const std::string& path) const = 0;

    // The application at `path` with its identity read; null when it is not one. It may
    // read much or start a process: call it off the main thread.
    virtual std::shared_ptr<platform::Bundle> applicationAt(const std::string& path) const = 0;

    // The standard places of the application that exist now, in the user's home folder.
    virtual std::vector<Place> standardPlaces(const platform::Bundle& application) const = 0;

    // Whether another copy of the application is installed, looked for until `deadline`
    // (after it, what was found so far answers). Reads the disk: off the main thread.
    virtual bool anotherCopyInstalled(const platform::Bundle& application,
                                      std::chrono::steady_clock::time_point deadline) const = 0;
};
