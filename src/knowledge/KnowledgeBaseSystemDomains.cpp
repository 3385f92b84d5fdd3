#include "knowledge/KnowledgeBaseSystemDomains.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 54> kSystemBundleIds = {
    "com.apple.ActivityMonitor",
    "com.apple.AddressBook",
    "com.apple.airport.airportutility",
    "com.apple.appstore",
    "com.apple.audio.AudioMIDISetup",
    "com.apple.Automator",
    "com.apple.backup.launcher",
    "com.apple.BluetoothFileExchange",
    "com.apple.bootcampassistant",
    "com.apple.calculator",
    "com.apple.Chess",
    "com.apple.ColorSyncUtility",
    "com.apple.Console",
    "com.apple.dashboardlauncher",
    "com.apple.Dictionary",
    "com.apple.DigitalColorMeter",
    "com.apple.Disk-Utility",
    "com.apple.DiskUtility",
    "com.apple.exposelauncher",
    "com.apple.FaceTime",
    "com.apple.FontBook",
    "com.apple.gamecenter",
    "com.apple.Grab",
    "com.apple.grapher",
    "com.apple.iBooksX",
    "com.apple.iCal",
    "com.apple.iChat",
    "com.apple.Image_Capture",
    "com.apple.iTunes",
    "com.apple.keychainaccess",
    "com.apple.launchpad.launcher",
    "com.apple.mail",
    "com.apple.Maps",
    "com.apple.MigrateAssistant",
    "com.apple.Notes",
    "com.apple.PhotoBooth",
    "com.apple.Photos",
    "com.apple.Preview",
    "com.apple.QuickTimePlayerX",
    "com.apple.reminders",
    "com.apple.Safari",
    "com.apple.ScriptEditor2",
    "com.apple.siri.launcher",
    "com.apple.Siri",
    "com.apple.Stickies",
    "com.apple.systempreferences",
    "com.apple.SystemProfiler",
    "com.apple.Terminal",
    "com.apple.TextEdit",
    "com.apple.VoiceOverUtility",
    "com.apple.X11redirect",
    "com.apple",
    "net.java.openjdk",
    "org.cups",
};

} // namespace

const std::vector<std::shared_ptr<const DomainBundleIdentifier>>&
KnowledgeBaseSystemDomains::CreateDomains() {
    static const std::vector<std::shared_ptr<const DomainBundleIdentifier>> domains = [] {
        std::vector<std::shared_ptr<const DomainBundleIdentifier>> built;
        built.reserve(kSystemBundleIds.size());
        for (std::string_view bundleId : kSystemBundleIds)
            built.push_back(DomainBundleIdentifier::create(bundleId));
        return built;
    }();
    return domains;
}

void KnowledgeBaseSystemDomains::EnumerateDomains(
    const std::function<void(const std::shared_ptr<const DomainBundleIdentifier>&)>& action) {
    for (const auto& domain : CreateDomains())
        action(domain);
}
