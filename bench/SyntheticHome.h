#pragma once

// The home folder of a SyntheticWorld: the leftovers of its applications in the
// Library folders the knowledge base's rules walk, the folders its own rules name,
// the removed target application in the Trash, the knowledge-base container where
// the main application keeps its downloaded copy, and ordinary documents to make up
// the requested number of entries.

#include "SyntheticWorld.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <span>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace bench_support {

class SyntheticHome {
public:
    static constexpr std::string_view kMainAppFolder =
        "Library/Application Support/com.halvorn.Sweepwise-SIII";

    // Creates the home folder at `home`, which must not exist yet, with exactly
    // scale().homeEntries entries below it (when the world's leftovers fit). False on
    // any failure; a half-made folder is left for the caller to remove.
    static bool build(const SyntheticWorld& world, const std::string& home,
                      std::span<const std::uint8_t> container) {
        SyntheticHome maker(world, home);
        return maker.make(container);
    }

    static std::string trashedTarget(const SyntheticWorld& world, const std::string& home) {
        return home + "/.Trash/" + world.target().name + ".app";
    }

private:
    SyntheticHome(const SyntheticWorld& world, std::string home)
        : m_world(world), m_home(std::move(home)), m_random(world.seed() ^ 0x686f6d65ull) {}

    bool full() const { return m_count >= m_world.scale().homeEntries; }

    void folder(const std::string& relative) {
        if (!m_ok || full())
            return;
        if (mkdir((m_home + "/" + relative).c_str(), 0755) == 0)
            ++m_count;
        else if (errno != EEXIST)
            m_ok = false;
    }

    void file(const std::string& relative, std::span<const std::uint8_t> contents = {}) {
        if (!m_ok || full())
            return;
        int fd =
            open((m_home + "/" + relative).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            m_ok = errno == EEXIST;
            return;
        }
        ++m_count;
        if (!contents.empty())
            m_ok = ::write(fd, contents.data(), contents.size()) ==
                   static_cast<ssize_t>(contents.size());
        close(fd);
    }
    void text(const std::string& relative, std::string_view contents) {
        file(relative, {reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()});
    }

    void files(const std::string& folderPath, const std::string& stem, std::size_t count,
               const std::string& extension) {
        for (std::size_t i = 0; i < count; ++i)
            file(folderPath + "/" + stem + std::to_string(i) + extension);
    }

    std::string hex() {
        static constexpr std::string_view kHex = "0123456789ABCDEF";
        std::string name;
        for (int i = 0; i < 12; ++i)
            name += kHex[m_random.below(16)];
        return name;
    }

    // One leftover with the contents its kind usually has.
    void leftover(LeftoverKind kind, const WorldApp& app) {
        const std::string path = leftoverPath(kind, app);
        switch (kind) {
        case LeftoverKind::Preferences:
        case LeftoverKind::LaunchAgents:
        case LeftoverKind::Cookies:
        case LeftoverKind::ByHost:
            file(path);
            return;
        default:
            folder(path);
        }
        switch (kind) {
        case LeftoverKind::Caches:
            files(path, "Cache.db", 1 + m_random.below(3), "");
            folder(path + "/fsCachedData");
            for (std::size_t i = 0, n = m_random.below(12); i < n; ++i)
                file(path + "/fsCachedData/" + hex());
            break;
        case LeftoverKind::ApplicationSupport:
            file(path + "/" + app.name + ".sqlite");
            file(path + "/Settings.json");
            for (std::size_t f = 0, n = m_random.below(4); f < n; ++f) {
                std::string sub = path + "/Data " + std::to_string(f);
                folder(sub);
                files(sub, "item-", 2 + m_random.below(7), ".bin");
            }
            break;
        case LeftoverKind::Containers: {
            file(path + "/.com.apple.containermanagerd.metadata.plist");
            const std::string library = path + "/Data/Library";
            folder(path + "/Data");
            folder(path + "/Data/Documents");
            folder(path + "/Data/tmp");
            folder(library);
            folder(library + "/Caches");
            folder(library + "/Caches/" + app.bundleId);
            files(library + "/Caches/" + app.bundleId, "Cache.db", 1 + m_random.below(3), "");
            folder(library + "/Preferences");
            file(library + "/Preferences/" + app.bundleId + ".plist");
            folder(library + "/Application Support");
            files(library + "/Application Support", "state-", m_random.below(5), ".json");
            break;
        }
        case LeftoverKind::GroupContainers:
            folder(path + "/Library");
            folder(path + "/Library/Preferences");
            file(path + "/Library/Preferences/" + app.team + "." + app.bundleId + ".plist");
            folder(path + "/Library/Caches");
            files(path + "/Library/Caches", "shared-", m_random.below(4), ".db");
            break;
        case LeftoverKind::SavedState:
            file(path + "/data.data");
            file(path + "/windows.plist");
            file(path + "/restorecount.plist");
            break;
        case LeftoverKind::Logs:
            files(path, app.name + " ", 1 + m_random.below(5), ".log");
            break;
        case LeftoverKind::HTTPStorages:
            file(path + "/httpstorages.sqlite");
            file(path + "/httpstorages.sqlite-wal");
            file(path + ".binarycookies");
            break;
        case LeftoverKind::WebKit:
            folder(path + "/WebsiteData");
            folder(path + "/WebsiteData/LocalStorage");
            files(path + "/WebsiteData/LocalStorage", "origin-", m_random.below(5),
                  ".localstorage");
            folder(path + "/WebsiteData/IndexedDB");
            break;
        case LeftoverKind::ApplicationScripts:
            if (m_random.chance(30))
                file(path + "/handler.scpt");
            break;
        default:
            break;
        }
    }

    void skeleton(std::span<const std::uint8_t> container) {
        for (const char* path : {"Library",
                                 "Library/Caches",
                                 "Library/Preferences",
                                 "Library/Preferences/ByHost",
                                 "Library/Application Support",
                                 "Library/Application Support/CrashReporter",
                                 "Library/Containers",
                                 "Library/Group Containers",
                                 "Library/Saved Application State",
                                 "Library/Logs",
                                 "Library/Logs/DiagnosticReports",
                                 "Library/LaunchAgents",
                                 "Library/HTTPStorages",
                                 "Library/WebKit",
                                 "Library/Cookies",
                                 "Library/Application Scripts",
                                 "Library/Internet Plug-Ins",
                                 "Library/PreferencePanes",
                                 "Library/Services",
                                 ".Trash",
                                 "Documents",
                                 "Pictures",
                                 "Music",
                                 "Developer"})
            folder(path);
        folder(std::string(kMainAppFolder));
        file(std::string(kMainAppFolder) + "/auth.cer", container);

        const WorldApp& target = m_world.target();
        const std::string app = ".Trash/" + target.name + ".app";
        for (const std::string& path :
             {app, app + "/Contents", app + "/Contents/MacOS", app + "/Contents/Resources"})
            folder(path);
        text(app + "/Contents/Info.plist",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
             "<key>CFBundleIdentifier</key><string>" +
                 target.bundleId +
                 "</string>"
                 "<key>CFBundleExecutable</key><string>" +
                 target.name +
                 "</string>"
                 "<key>CFBundleName</key><string>" +
                 target.name +
                 "</string>"
                 "<key>CFBundlePackageType</key><string>APPL</string></dict></plist>\n");
        file(app + "/Contents/MacOS/" + target.name);
        file(app + "/Contents/Resources/" + target.name + ".icns");

        for (int kind = 0; kind < kLeftoverKinds; ++kind)
            leftover(static_cast<LeftoverKind>(kind), target);
        leftover(LeftoverKind::Caches, m_world.apps()[1]);
        folder("Library/Application Support/Brightcrane Shared");
        file(SyntheticWorld::recordOnlyLeftover());
    }

    // The folders the applications' own rules walk, for three rules in four.
    void ruleFolders() {
        const int standard = static_cast<int>(std::size(synthetic_kb::kStandardRules));
        const std::vector<int> own = m_world.vendorRuleApps(m_world.scale().rules - standard);
        for (std::size_t i = 0; i < own.size(); ++i) {
            if (i % 4 == 3)
                continue;
            const WorldApp& app = m_world.apps()[static_cast<std::size_t>(own[i])];
            const std::string vendor = SyntheticWorld::vendorFolder(app);
            switch (i % 3) {
            case 0: {
                const std::string base = "Library/Application Support/" + vendor;
                folder(base);
                folder(base + "/" + app.name);
                files(base + "/" + app.name, "session-", 1 + m_random.below(4), ".log");
                folder(base + "/" + app.name + "/Plug-Ins");
                folder(base + "/" + app.name + "/Plug-Ins/Exporter.plugin");
                folder(base + "/" + app.name + "/Plug-Ins/Exporter.plugin/Contents");
                file(base + "/" + app.name + "/Plug-Ins/Exporter.plugin/Contents/Info.plist");
                break;
            }
            case 1:
                folder("Library/" + vendor);
                files("Library/" + vendor, app.name + "-", 1 + m_random.below(4), ".dat");
                break;
            default:
                folder("Library/." + app.vendor);
                file("Library/." + app.vendor + "/config");
                folder("Library/." + app.vendor + "/cache");
                files("Library/." + app.vendor + "/cache", "blob-", m_random.below(6), "");
            }
        }
    }

    void applications(int budget) {
        // Chances in percent that an application left a file of each kind.
        static constexpr int kChance[kLeftoverKinds] = {55, 80, 45, 20, 8,  40, 25,
                                                        6,  35, 15, 30, 15, 20};
        const auto& apps = m_world.apps();
        for (std::size_t i = 2; i < apps.size() && m_count < budget && m_ok; ++i) {
            const WorldApp& app = apps[i];
            for (int kind = 0; kind < kLeftoverKinds; ++kind) {
                int chance = kChance[kind];
                if (app.isSystem)
                    chance = kind <= 1 ? 95 : kind == 3 ? 50 : 0;
                if (m_random.chance(chance))
                    leftover(static_cast<LeftoverKind>(kind), app);
            }
            if (m_random.chance(10)) {
                // One draw per statement, so that every compiler draws in the same order.
                const std::string suffix = hex();
                const std::string day = std::to_string(10 + m_random.below(19));
                file("Library/Logs/DiagnosticReports/" + app.name + "_2026-11-" + day + "-" +
                     suffix + ".crash");
            }
        }
    }

    // Ordinary documents outside the Library, up to the requested number of entries.
    void documents() {
        static constexpr const char* kPlaces[] = {"Documents", "Pictures", "Music", "Developer"};
        static constexpr const char* kExtensions[] = {".txt", ".jpg", ".m4a", ".cpp"};
        for (int n = 0; !full() && m_ok; ++n) {
            const std::string top = std::string(kPlaces[n % 4]) + "/" +
                                    capitalised(m_random.word()) + " " + std::to_string(n);
            folder(top);
            for (std::size_t s = 0, subs = 1 + m_random.below(4); s < subs; ++s) {
                std::string sub = top + "/" + capitalised(m_random.word());
                folder(sub);
                const std::size_t count = 5 + m_random.below(40);
                files(sub, m_random.word() + "-", count, kExtensions[n % 4]);
            }
        }
    }

    bool make(std::span<const std::uint8_t> container) {
        if (mkdir(m_home.c_str(), 0755) != 0)
            return false;
        skeleton(container);
        ruleFolders();
        applications(m_world.scale().homeEntries * 3 / 5);
        documents();
        return m_ok && m_count == m_world.scale().homeEntries;
    }

    const SyntheticWorld& m_world;
    std::string m_home;
    WorldRandom m_random;
    int m_count{0};
    bool m_ok{true};
};

} // namespace bench_support
