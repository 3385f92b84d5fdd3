#pragma once

#include "platform/Bundle.h"
#include "shell/PathForRemove.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

// A dry run of the helper's offer: what it would list for an application bundle
// (the standard leftovers and those of the knowledge base, measured), printed as
// text or JSON. Nothing is removed.
class LeftoversReport {
public:
    enum class Format { Text, Json };
    enum ExitCode : int { kFound = 0, kNothing = 1 };

    // Lists the leftovers of the bundle at `bundlePath`, waiting on the main queue
    // (from the main thread) for every size. The offer passes the same safety pass as
    // the helper's, weighed against the applications installed now; `verbose` also
    // lists what that pass turned away and why. Errors go to `err`, each line
    // starting with `program` and a colon. kNothing when the bundle cannot be read,
    // nothing is found, or the sizes do not arrive within ten minutes.
    static int listForBundle(const std::string& bundlePath, Format format, std::ostream& out,
                             std::ostream& err, const std::string& program, bool verbose = false);

    // The same for the Flatpak application `id` as if it had just been uninstalled, with
    // what the helper remembered of it; nothing while it is installed anywhere.
    static int listForFlatpak(const std::string& id, Format format, std::ostream& out,
                              std::ostream& err, const std::string& program, bool verbose = false);
    // The ~/.var/app/<id> folders of ids that no installation has, with their sizes and
    // when they last changed; offered nowhere. kNothing when there are none.
    static int listFlatpakOrphans(Format format, std::ostream& out);

    // One line per item (group, size, path and why it is offered) and the total, or
    // one JSON document: `document` with "items", "totalSize" and "totalSizeText"
    // added. The total is `total` when given (what removing the items together
    // frees), else the sum of the sizes. kNothing when there are no items.
    static int printRecords(const std::vector<std::shared_ptr<PathForRemove>>& records,
                            Format format, nlohmann::json document, std::ostream& out,
                            std::optional<std::uint64_t> total = std::nullopt);

private:
    static int listForApplication(const std::shared_ptr<platform::Bundle>& bundle, Format format,
                                  std::ostream& out, std::ostream& err, const std::string& program,
                                  bool verbose);
};
