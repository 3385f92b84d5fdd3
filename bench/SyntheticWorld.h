#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace bench_support {

// A deterministic pseudo-random source; the same seed always gives the same draws.
class WorldRandom {
public:
    explicit WorldRandom(std::uint64_t seed) : m_state(seed | 1) {}

    std::uint64_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }
    // True with probability percent / 100.
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

    std::string word() {
        static constexpr std::string_view kSyllables = "kamirotesulanivexopadubeginorafyzecho";
        std::string result;
        for (std::size_t i = 0, length = 2 + below(3); i < length; ++i)
            result += kSyllables.substr(below(kSyllables.size() / 2) * 2, 2);
        return result;
    }

private:
    std::uint64_t m_state;
};

inline std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

struct WorldScale {
    int domains{5000};
    int records{100000};
    int rules{300};
    int homeEntries{200000};
};

struct WorldApp {
    std::string bundleId; // com.<vendor>.<name>
    std::string name;     // the executable's name
    std::string vendor;   // lower-case vendor word
    std::string team;     // ten-character team identifier
    bool isSystem{false}; // one of the operating system's own
    int parent{-1};       // index of the application a helper domain belongs to
};

// The places in the user's Library where applications leave files, each with the
// dependency group the knowledge base files them under.
enum class LeftoverKind {
    Caches,
    Preferences,
    ApplicationSupport,
    Containers,
    GroupContainers,
    SavedState,
    Logs,
    LaunchAgents,
    HTTPStorages,
    WebKit,
    Cookies,
    ApplicationScripts,
    ByHost,
};
constexpr int kLeftoverKinds = 13;
constexpr std::string_view kHostIdentifier = "5D2E81C4-7A0B-4F39-9C16-2B8E4D07A315";

inline std::string_view leftoverGroup(LeftoverKind kind) {
    static constexpr std::array<std::string_view, kLeftoverKinds> kGroups{
        "caches",  "preferences", "application-support", "containers", "containers",
        "library", "logs",        "login-items",         "cookies",    "caches",
        "cookies", "library",     "preferences"};
    return kGroups[static_cast<std::size_t>(kind)];
}

// The path, relative to the home folder, of an application's leftover of one kind.
inline std::string leftoverPath(LeftoverKind kind, const WorldApp& app) {
    switch (kind) {
    case LeftoverKind::Caches:
        return "Library/Caches/" + app.bundleId;
    case LeftoverKind::Preferences:
        return "Library/Preferences/" + app.bundleId + ".plist";
    case LeftoverKind::ApplicationSupport:
        return "Library/Application Support/" + app.name;
    case LeftoverKind::Containers:
        return "Library/Containers/" + app.bundleId;
    case LeftoverKind::GroupContainers:
        return "Library/Group Containers/" + app.team + "." + app.bundleId;
    case LeftoverKind::SavedState:
        return "Library/Saved Application State/" + app.bundleId + ".savedState";
    case LeftoverKind::Logs:
        return "Library/Logs/" + app.name;
    case LeftoverKind::LaunchAgents:
        return "Library/LaunchAgents/" + app.bundleId + ".agent.plist";
    case LeftoverKind::HTTPStorages:
        return "Library/HTTPStorages/" + app.bundleId;
    case LeftoverKind::WebKit:
        return "Library/WebKit/" + app.bundleId;
    case LeftoverKind::Cookies:
        return "Library/Cookies/" + app.bundleId + ".binarycookies";
    case LeftoverKind::ApplicationScripts:
        return "Library/Application Scripts/" + app.bundleId;
    case LeftoverKind::ByHost:
        return "Library/Preferences/ByHost/" + app.bundleId + "." + std::string(kHostIdentifier) +
               ".plist";
    }
    return {};
}

// The applications of a synthetic machine: the knowledge base describes them and the
// synthetic home folder holds their leftovers. Application 0 is the one whose
// removal is searched for; application 1 is its helper, a domain whose parent it is.
class SyntheticWorld {
public:
    explicit SyntheticWorld(WorldScale scale = {}, std::uint64_t seed = 20261205)
        : m_scale(scale), m_seed(seed) {
        WorldRandom random(seed);
        std::set<std::string> taken;
        auto add = [&](WorldApp app) {
            if (!taken.insert(app.bundleId).second)
                return;
            m_apps.push_back(std::move(app));
        };
        add({"com.brightcrane.Lumenfold", "Lumenfold", "brightcrane", "BC7Q2LX9KD", false, -1});
        add({"com.brightcrane.Lumenfold.Helper", "Lumenfold Helper", "brightcrane", "BC7Q2LX9KD",
             false, 0});
        // A few hundred vendors, most with several products; a small share of the
        // domains are the operating system's own.
        std::vector<std::string> vendors;
        for (int v = 0; v < std::max(4, scale.domains / 4); ++v)
            vendors.push_back(random.word() + random.word().substr(0, 2));
        while (static_cast<int>(m_apps.size()) < scale.domains) {
            WorldApp app;
            if (random.chance(2)) {
                app.vendor = "apple";
                app.isSystem = true;
            } else {
                app.vendor = vendors[random.below(vendors.size())];
            }
            app.name =
                capitalised(random.word()) + (random.chance(30) ? capitalised(random.word()) : "");
            app.bundleId = "com." + app.vendor + "." + app.name;
            app.team = teamFor(app.vendor);
            if (!app.isSystem && random.chance(8) && !m_apps.empty()) {
                app.parent = static_cast<int>(m_apps.size()) - 1;
                const WorldApp& parent = m_apps.back();
                app.vendor = parent.vendor;
                app.team = parent.team;
                app.bundleId = parent.bundleId + "." + app.name;
            }
            add(std::move(app));
        }
    }

    const WorldScale& scale() const { return m_scale; }
    std::uint64_t seed() const { return m_seed; }
    const std::vector<WorldApp>& apps() const { return m_apps; }
    const WorldApp& target() const { return m_apps[0]; }

    // The knowledge-base document describing this world.
    std::string knowledgeBase() const;

    // Paths, relative to the home folder, that the search must report for the target:
    // its leftovers in every standard place, its helper's caches, the folder its own
    // rule names, and the file only its knowledge-base records name.
    std::vector<std::string> targetLeftovers() const {
        std::vector<std::string> paths;
        for (int kind = 0; kind < kLeftoverKinds; ++kind)
            paths.push_back(leftoverPath(static_cast<LeftoverKind>(kind), target()));
        paths.push_back(leftoverPath(LeftoverKind::Caches, m_apps[1]));
        paths.push_back("Library/Application Support/" + vendorFolder(target()) + "/" +
                        target().name);
        paths.push_back(recordOnlyLeftover());
        return paths;
    }
    // A file of the target that no rule walks into: only its record finds it.
    static std::string recordOnlyLeftover() {
        return "Library/Application Support/Brightcrane Shared/Lumenfold.license";
    }

    // The applications that have a rule of their own: the target first, then every
    // n-th independent application. Rule i of them uses shape i % 3 (see
    // SyntheticKnowledgeBase.h) and the home folder holds the folder it walks for
    // two shapes in three.
    std::vector<int> vendorRuleApps(int count) const {
        std::vector<int> chosen{0};
        std::vector<int> candidates;
        for (int i = 2; i < static_cast<int>(m_apps.size()); ++i) {
            if (!m_apps[i].isSystem && m_apps[i].parent < 0)
                candidates.push_back(i);
        }
        for (int i = 0; static_cast<int>(chosen.size()) < count && !candidates.empty(); ++i)
            chosen.push_back(candidates[(static_cast<std::size_t>(i) * 7919) % candidates.size()]);
        chosen.resize(static_cast<std::size_t>(std::max(0, count)));
        return chosen;
    }
    static std::string vendorFolder(const WorldApp& app) { return capitalised(app.vendor); }

    static std::string teamFor(const std::string& vendor) {
        std::string team;
        std::uint64_t hash = 1469598103934665603ull;
        for (char c : vendor)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        static constexpr std::string_view kDigits = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ";
        for (int i = 0; i < 10; ++i, hash /= kDigits.size())
            team += kDigits[hash % kDigits.size()];
        return team;
    }

private:
    WorldScale m_scale;
    std::uint64_t m_seed;
    std::vector<WorldApp> m_apps;
};

} // namespace bench_support

#include "SyntheticKnowledgeBase.h"
