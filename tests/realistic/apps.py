"""Real applications for the realistic home: their bundle identifiers, names and
executables, and the files they leave in the user's Library.

Facts only, written for this project from public sources:

- leftovers, identifiers and application folder names come from the public uninstall
  lists of the Homebrew package manager (repository Homebrew/homebrew-cask, the
  `zap trash:` and `uninstall` stanzas of the file named in each entry's `source`);
- executables come from the same file where it names Contents/MacOS/<executable>,
  otherwise from the executable path the application shows in public process
  listings and code-signing output (`codesign -dv`, `ps`).

How the lists' patterns were turned into files: only leftovers under ~/Library count
(the helper looks nowhere else; dot folders in the home folder are left out); a
trailing "*" is taken as nothing ("com.example.app*" gives "com.example.app"); a "*"
inside a name gives a fixed token (a host UUID for Preferences/ByHost, a report id for
crash reports); ".sfl*" gives ".sfl2" with the identifier in lower case, as the
system writes it; entries whose "*" stands for a signing team the list does not name
are left out. Versioned folders take the version the list names.

Each application has:
  name        the bundle's folder name without ".app"
  id          CFBundleIdentifier
  exe         CFBundleExecutable
  bundle      CFBundleName (the folder name unless noted)
  display     CFBundleDisplayName (the folder name unless noted)
  leftovers   paths relative to the home folder that are the application's own
  shared      paths the list names that other installed applications use as well;
              they are never the removed application's alone
  documents   the user's own files named after the application; never offered
"""

HOST = "8F6B5E0C-3D4A-4B1E-9C2F-7A1D2E3F4B5C"  # stands for a ByHost UUID
REPORT = "2026-01-15-101500_Mac"  # stands for a crash report's date and host

AS = "Library/Application Support"
RECENTS = AS + "/com.apple.sharedfilelist/com.apple.LSSharedFileList.ApplicationRecentDocuments"


def app(name, id, exe, source, leftovers, shared=(), documents=(), bundle=None,
        display=None):
    return {
        "name": name, "id": id, "exe": exe, "source": source,
        "bundle": bundle or name, "display": display or name,
        "leftovers": list(leftovers), "shared": list(shared), "documents": list(documents),
    }


def standard(id, prefs=True, caches=True, state=True):
    """The places nearly every application uses, named by its identifier."""
    paths = []
    if caches:
        paths.append(f"Library/Caches/{id}")
    if prefs:
        paths.append(f"Library/Preferences/{id}.plist")
    if state:
        paths.append(f"Library/Saved Application State/{id}.savedState")
    return paths


def recents(id):
    return f"{RECENTS}/{id.lower()}.sfl2"


# Updater items that every Google application installs and shares.
GOOGLE_UPDATER = [
    "Library/Caches/com.google.Keystone",
    "Library/Caches/com.google.Keystone.Agent",
    "Library/Caches/com.google.SoftwareUpdate",
    "Library/Google/GoogleSoftwareUpdate",
    "Library/Google/Google Chrome Brand.plist",
    "Library/LaunchAgents/com.google.keystone.agent.plist",
    "Library/LaunchAgents/com.google.keystone.xpcservice.plist",
    "Library/Logs/GoogleSoftwareUpdateAgent.log",
    "Library/Preferences/com.google.Keystone.Agent.plist",
]

# Applications the knowledge base has records for.
WITH_RECORDS = [
    app("Google Chrome", "com.google.Chrome", "Google Chrome", "Casks/g/google-chrome.rb",
        standard("com.google.Chrome") + [
            recents("com.google.Chrome"),
            f"{AS}/Google/Chrome",
            "Library/Caches/Google/Chrome",
            "Library/WebKit/com.google.Chrome",
        ],
        shared=GOOGLE_UPDATER),
    # Firefox and its Developer Edition share the profile folders; the crash reporter
    # belongs to every Mozilla application.
    app("Firefox", "org.mozilla.firefox", "firefox", "Casks/f/firefox.rb",
        standard("org.mozilla.firefox") + [
            recents("org.mozilla.firefox"),
            "Library/Caches/Mozilla/updates/Applications/Firefox",
            "Library/WebKit/org.mozilla.firefox",
        ],
        shared=[f"{AS}/Firefox", "Library/Caches/Firefox",
                "Library/Caches/org.mozilla.crashreporter",
                "Library/Preferences/org.mozilla.crashreporter.plist"]),
    app("Slack", "com.tinyspeck.slackmacgap", "Slack", "Casks/s/slack.rb",
        standard("com.tinyspeck.slackmacgap") + [
            "Library/Application Scripts/com.tinyspeck.slackmacgap",
            recents("com.tinyspeck.slackmacgap"),
            f"{AS}/Slack",
            "Library/Caches/com.tinyspeck.slackmacgap.ShipIt",
            "Library/Containers/com.tinyspeck.slackmacgap",
            "Library/Cookies/com.tinyspeck.slackmacgap.binarycookies",
            "Library/HTTPStorages/com.tinyspeck.slackmacgap",
            "Library/Logs/Slack",
            f"Library/Preferences/ByHost/com.tinyspeck.slackmacgap.ShipIt.{HOST}.plist",
            "Library/WebKit/com.tinyspeck.slackmacgap",
        ],
        documents=["Documents/Slack export.zip", "Downloads/Slack/standup notes.pdf"]),
    app("zoom.us", "us.zoom.xos", "zoom.us", "Casks/z/zoom.rb",
        standard("us.zoom.xos") + [
            f"{AS}/CloudDocs/session/containers/iCloud.us.zoom.videomeetings",
            f"{AS}/CloudDocs/session/containers/iCloud.us.zoom.videomeetings.plist",
            recents("us.zoom.xos"),
            f"{AS}/CrashReporter/zoom.us_{REPORT}.plist",
            f"{AS}/zoom.us",
            f"{AS}/ZoomUpdater",
            "Library/Cookies/us.zoom.xos.binarycookies",
            "Library/HTTPStorages/us.zoom.xos",
            "Library/HTTPStorages/us.zoom.xos.binarycookies",
            "Library/Internet Plug-Ins/ZoomUsPlugIn.plugin",
            "Library/Logs/zoom.us",
            "Library/Logs/zoominstall.log",
            "Library/Logs/ZoomPhone",
            "Library/Preferences/ZoomChat.plist",
            "Library/WebKit/us.zoom.xos",
        ],
        # The list removes these too, but they are the user's meeting recordings.
        documents=["Documents/Zoom/2026-01-12 Team meeting/video1.mp4", "Desktop/Zoom/notes.txt"],
        display="Zoom"),
    app("Visual Studio Code", "com.microsoft.VSCode", "Electron",
        "Casks/v/visual-studio-code.rb",
        standard("com.microsoft.VSCode") + [
            f"{AS}/Code",
            recents("com.microsoft.VSCode"),
            "Library/Caches/com.microsoft.VSCode.ShipIt",
            "Library/HTTPStorages/com.microsoft.VSCode",
            f"Library/Preferences/ByHost/com.microsoft.VSCode.ShipIt.{HOST}.plist",
            "Library/Preferences/com.microsoft.VSCode.helper.plist",
        ],
        documents=["Documents/Code/project/main.py"],
        bundle="Code"),
    app("Spotify", "com.spotify.client", "Spotify", "Casks/s/spotify.rb",
        standard("com.spotify.client") + [
            recents("com.spotify.client.startuphelper"),
            f"{AS}/Spotify",
            "Library/Caches/com.spotify.client.helper",
            "Library/Cookies/com.spotify.client.binarycookies",
            "Library/HTTPStorages/com.spotify.client",
            "Library/HTTPStorages/com.spotify.client.helper",
            "Library/Logs/Spotify",
            "Library/Preferences/com.spotify.client.helper.plist",
        ],
        documents=["Documents/Spotify playlist.txt", "Music/Spotify/Mixtape.m3u"]),
    app("Discord", "com.hnc.Discord", "Discord", "Casks/d/discord.rb",
        standard("com.hnc.Discord") + [
            recents("com.hnc.Discord"),
            f"{AS}/discord",
            "Library/Caches/com.hnc.Discord.ShipIt",
            "Library/Cookies/com.hnc.Discord.binarycookies",
            "Library/HTTPStorages/com.hnc.Discord",
            "Library/HTTPStorages/com.hnc.Discord.binarycookies",
            "Library/Preferences/com.hnc.Discord.helper.plist",
        ],
        documents=["Downloads/Discord/screenshot.png"]),
    app("Dropbox", "com.getdropbox.dropbox", "Dropbox", "Casks/d/dropbox.rb",
        standard("com.getdropbox.dropbox", state=False) + [
            "Library/Application Scripts/com.dropbox.alternatenotificationservice",
            "Library/Application Scripts/com.dropbox.client.crashpad",
            "Library/Application Scripts/com.dropbox.foldertagger",
            "Library/Application Scripts/com.getdropbox.dropbox.fileprovider",
            "Library/Application Scripts/com.getdropbox.dropbox.garcon",
            "Library/Application Scripts/com.getdropbox.dropbox.TransferExtension",
            f"{AS}/Dropbox",
            f"{AS}/DropboxElectron",
            f"{AS}/FileProvider/com.getdropbox.dropbox.fileprovider",
            "Library/Caches/com.dropbox.DropboxMacUpdate",
            "Library/Caches/com.getdropbox.DropboxMetaInstaller",
            "Library/Containers/com.dropbox.activityprovider",
            "Library/Containers/com.dropbox.alternatenotificationservice",
            "Library/Containers/com.dropbox.foldertagger",
            "Library/Containers/com.getdropbox.dropbox.fileprovider",
            "Library/Containers/com.getdropbox.dropbox.garcon",
            "Library/Containers/com.getdropbox.dropbox.TransferExtension",
            "Library/Dropbox",
            "Library/Group Containers/com.dropbox.client.crashpad",
            "Library/Group Containers/com.getdropbox.dropbox.garcon",
            "Library/HTTPStorages/com.dropbox.DropboxMacUpdate",
            "Library/HTTPStorages/com.getdropbox.dropbox",
            "Library/LaunchAgents/com.dropbox.DropboxMacUpdate.agent.plist",
            "Library/Logs/Dropbox_debug.log",
            "Library/Preferences/com.dropbox.DropboxMacUpdate.plist",
            "Library/Preferences/com.dropbox.DropboxMonitor.plist",
            "Library/Preferences/com.dropbox.tungsten.helper.plist",
        ],
        # The list removes the synced folder too; it holds the user's files.
        documents=["Library/CloudStorage/Dropbox/Taxes 2025.pdf", "Dropbox/Photos/beach.jpg"]),
    app("1Password", "com.1password.1password", "1Password", "Casks/1/1password.rb",
        standard("com.1password.1password", caches=False) + [
            "Library/Application Scripts/2BUA8C4S2C.com.1password",
            "Library/Application Scripts/2BUA8C4S2C.com.agilebits",
            "Library/Application Scripts/com.1password.1password-launcher",
            "Library/Application Scripts/com.1password.browser-support",
            f"{AS}/1Password",
            recents("com.1password.1password"),
            f"{AS}/CrashReporter/1Password_{REPORT}.plist",
            "Library/Containers/2BUA8C4S2C.com.1password.browser-helper",
            "Library/Containers/com.1password.1password",
            "Library/Containers/com.1password.browser-support",
            "Library/Group Containers/2BUA8C4S2C.com.1password",
            "Library/Group Containers/2BUA8C4S2C.com.agilebits",
            "Library/Logs/1Password",
            "Library/Preferences/group.com.1password.plist",
        ],
        documents=["Documents/1Password Emergency Kit.pdf"]),
    # Word leaves Office's shared folders behind; Excel, still installed, uses them.
    app("Microsoft Word", "com.microsoft.Word", "Microsoft Word", "Casks/m/microsoft-word.rb",
        standard("com.microsoft.Word", caches=False) + [
            "Library/Application Scripts/com.microsoft.Word",
            recents("com.microsoft.Word"),
            f"{AS}/CrashReporter/Microsoft Word_{REPORT}.plist",
            "Library/Containers/com.microsoft.Word",
            "Library/Group Containers/UBF8T346G9.ms/Microsoft Word.MERP.params.txt",
        ],
        shared=[f"{AS}/Microsoft", "Library/Group Containers/UBF8T346G9.ms"],
        documents=["Documents/Microsoft Word/Letter.docx", "Documents/Word notes.docx"]),
    app("Notion", "notion.id", "Notion", "Casks/n/notion.rb",
        standard("notion.id") + [
            f"{AS}/Caches/notion-updater",
            recents("notion.id"),
            f"{AS}/Notion",
            "Library/Logs/Notion",
            f"Library/Preferences/ByHost/notion.id.ShipIt.{HOST}.plist",
            "Library/WebKit/notion.id",
        ],
        documents=["Documents/Notion export/Roadmap.md"]),
    app("Figma", "com.figma.Desktop", "Figma", "Casks/f/figma.rb",
        standard("com.figma.Desktop") + [
            f"{AS}/Figma",
            f"{AS}/figma-desktop",
            "Library/Caches/com.figma.agent",
        ],
        documents=["Documents/Figma designs/Logo.fig"]),
    app("VLC", "org.videolan.vlc", "VLC", "Casks/v/vlc.rb",
        standard("org.videolan.vlc") + [
            recents("org.videolan.vlc"),
            f"{AS}/org.videolan.vlc",
            f"{AS}/VLC",
            "Library/HTTPStorages/org.videolan.vlc",
            "Library/Preferences/org.videolan.vlc",
        ],
        documents=["Movies/VLC/holiday.mkv"]),
    app("Telegram", "ru.keepcoder.Telegram", "Telegram", "Casks/t/telegram.rb",
        standard("ru.keepcoder.Telegram") + [
            "Library/Application Scripts/ru.keepcoder.Telegram",
            "Library/Application Scripts/ru.keepcoder.Telegram.TelegramShare",
            f"{AS}/ru.keepcoder.Telegram",
            "Library/Caches/com.plausiblelabs.crashreporter.data/ru.keepcoder.Telegram",
            "Library/Containers/ru.keepcoder.Telegram",
            "Library/Containers/ru.keepcoder.Telegram.TelegramShare",
            "Library/Cookies/ru.keepcoder.Telegram.binarycookies",
            "Library/HTTPStorages/ru.keepcoder.Telegram",
        ],
        documents=["Downloads/Telegram Desktop/voice.ogg"]),
    app("WhatsApp", "net.whatsapp.WhatsApp", "WhatsApp", "Casks/w/whatsapp.rb",
        standard("net.whatsapp.WhatsApp", prefs=False) + [
            "Library/Application Scripts/net.whatsapp.WhatsApp",
            "Library/Containers/net.whatsapp.WhatsApp",
            "Library/Group Containers/group.com.facebook.family",
            "Library/Group Containers/group.net.whatsapp",
        ],
        documents=["Pictures/WhatsApp/IMG-0001.jpg"]),
    app("Sublime Text", "com.sublimetext.4", "sublime_text", "Casks/s/sublime-text.rb",
        standard("com.sublimetext.4") + [
            recents("com.sublimetext.4"),
            f"{AS}/Sublime Text",
            "Library/Caches/Sublime Text",
            "Library/HTTPStorages/com.sublimetext.4",
        ],
        documents=["Documents/Sublime Text notes.txt"]),
    app("iTerm", "com.googlecode.iterm2", "iTerm2", "Casks/i/iterm2.rb",
        standard("com.googlecode.iterm2") + [
            recents("com.googlecode.iterm2"),
            f"{AS}/iTerm",
            f"{AS}/iTerm2",
            "Library/Cookies/com.googlecode.iterm2.binarycookies",
        ],
        bundle="iTerm2"),
    app("Docker", "com.docker.docker", "Docker", "Casks/d/docker-desktop.rb",
        standard("com.docker.docker", state=False) + [
            "Library/Application Scripts/com.docker.helper",
            "Library/Application Scripts/group.com.docker",
            recents("com.docker.helper"),
            recents("com.electron.dockerdesktop"),
            f"{AS}/com.bugsnag.Bugsnag/com.docker.docker",
            f"{AS}/Docker Desktop",
            "Library/Caches/com.plausiblelabs.crashreporter.data/com.docker.docker",
            "Library/Caches/KSCrashReports/Docker",
            "Library/Containers/com.docker.docker",
            "Library/Containers/com.docker.helper",
            "Library/Group Containers/group.com.docker",
            "Library/HTTPStorages/com.docker.docker",
            "Library/HTTPStorages/com.docker.docker.binarycookies",
            "Library/Logs/Docker Desktop",
            "Library/Preferences/com.electron.docker-frontend.plist",
            "Library/Preferences/com.electron.dockerdesktop.plist",
            "Library/Saved Application State/com.electron.docker-frontend.savedState",
            "Library/Saved Application State/com.electron.dockerdesktop.savedState",
        ],
        documents=["Documents/Docker/compose.yaml"],
        display="Docker Desktop"),
    app("Steam", "com.valvesoftware.steam", "steam_osx", "Casks/s/steam.rb",
        [f"{AS}/Steam",
         "Library/LaunchAgents/com.valvesoftware.steamclean.plist",
         "Library/Preferences/com.valvesoftware.steam.helper.plist",
         "Library/Saved Application State/com.valvesoftware.steam.savedState"],
        documents=["Pictures/Steam screenshots/shot1.png"]),
    app("Postman", "com.postmanlabs.mac", "Postman", "Casks/p/postman.rb",
        standard("com.postmanlabs.mac") + [
            f"{AS}/com.postmanlabs.mac.ShipIt",
            f"{AS}/Postman",
            "Library/Caches/com.postmanlabs.mac.ShipIt",
            "Library/Caches/Postman",
            "Library/HTTPStorages/com.postmanlabs.mac",
            f"Library/Preferences/ByHost/com.postmanlabs.mac.ShipIt.{HOST}.plist",
        ],
        documents=["Documents/Postman collection.json"]),
    app("Obsidian", "md.obsidian", "Obsidian", "Casks/o/obsidian.rb",
        standard("md.obsidian", caches=False) + [recents("md.obsidian"), f"{AS}/obsidian"],
        documents=["Documents/Obsidian Vault/Daily/2026-01-12.md"]),
    app("Brave Browser", "com.brave.Browser", "Brave Browser", "Casks/b/brave-browser.rb",
        standard("com.brave.Browser") + [
            f"{AS}/BraveSoftware/Brave-Browser",
            "Library/Caches/BraveSoftware/Brave-Browser",
            "Library/HTTPStorages/com.brave.Browser",
        ]),
    app("IntelliJ IDEA", "com.jetbrains.intellij", "idea", "Casks/i/intellij-idea.rb",
        standard("com.jetbrains.intellij", caches=False) + [
            f"{AS}/JetBrains/IntelliJIdea2026.2",
            "Library/Caches/JetBrains/IntelliJIdea2026.2",
            "Library/Logs/JetBrains/IntelliJIdea2026.2",
            "Library/Preferences/IntelliJIdea2026.2",
        ],
        documents=["IdeaProjects/demo/src/Main.java"]),
]

# Applications deliberately without records: only the generic rules can find these.
HELD_OUT = [
    app("Raycast", "com.raycast.macos", "Raycast", "Casks/r/raycast.rb",
        standard("com.raycast.macos", state=False) + [
            "Library/Application Scripts/com.raycast.macos.BrowserExtension",
            f"{AS}/com.raycast.macos",
            "Library/Caches/SentryCrash/Raycast",
            "Library/Containers/com.raycast.macos.BrowserExtension",
            "Library/Cookies/com.raycast.macos.binarycookies",
            "Library/HTTPStorages/com.raycast.macos",
            "Library/WebKit/com.raycast.macos",
        ]),
    app("Rectangle", "com.knollsoft.Rectangle", "Rectangle", "Casks/r/rectangle.rb",
        standard("com.knollsoft.Rectangle", state=False) + [
            "Library/Application Scripts/com.knollsoft.RectangleLauncher",
            f"{AS}/Rectangle",
            "Library/Containers/com.knollsoft.RectangleLauncher",
            "Library/HTTPStorages/com.knollsoft.Rectangle",
            "Library/WebKit/com.knollsoft.Rectangle",
        ]),
    app("Signal", "org.whispersystems.signal-desktop", "Signal", "Casks/s/signal.rb",
        standard("org.whispersystems.signal-desktop", caches=False) + [
            f"{AS}/Signal",
            "Library/Preferences/org.whispersystems.signal-desktop.helper.plist",
        ],
        documents=["Downloads/Signal/attachment.pdf"]),
    app("Transmission", "org.m0k.transmission", "Transmission", "Casks/t/transmission.rb",
        standard("org.m0k.transmission") + [
            recents("org.m0k.transmission"),
            f"{AS}/Transmission",
            "Library/Caches/com.apple.helpd/SDMHelpData/Other/English/HelpSDMIndexFile/"
            "org.m0k.transmission.help",
            "Library/Cookies/org.m0k.transmission.binarycookies",
            "Library/Preferences/org.m0k.transmission.LSSharedFileList.plist",
        ],
        documents=["Downloads/Transmission/debian-12.iso"]),
    app("Audacity", "org.audacityteam.audacity", "Audacity", "Casks/a/audacity.rb",
        standard("org.audacityteam.audacity", caches=False) + [f"{AS}/audacity"],
        documents=["Documents/Audacity/podcast.aup3"]),
    app("OBS", "com.obsproject.obs-studio", "OBS", "Casks/o/obs.rb",
        standard("com.obsproject.obs-studio", caches=False) + [
            f"{AS}/obs-studio",
            "Library/HTTPStorages/com.obsproject.obs-studio",
        ],
        documents=["Movies/OBS/2026-01-12 stream.mkv"],
        bundle="OBS Studio"),
    app("Bitwarden", "com.bitwarden.desktop", "Bitwarden", "Casks/b/bitwarden.rb",
        standard("com.bitwarden.desktop") + [
            f"{AS}/Bitwarden",
            "Library/Caches/com.bitwarden.desktop.ShipIt",
            "Library/Logs/Bitwarden",
            f"Library/Preferences/ByHost/com.bitwarden.desktop.ShipIt.{HOST}.plist",
            "Library/Preferences/com.bitwarden.desktop.helper.plist",
        ],
        documents=["Documents/Bitwarden export.json"]),
    app("Arc", "company.thebrowser.Browser", "Arc", "Casks/a/arc.rb",
        standard("company.thebrowser.Browser") + [
            f"{AS}/Arc",
            "Library/Caches/Arc",
            "Library/Caches/CloudKit/company.thebrowser.Browser",
            "Library/HTTPStorages/company.thebrowser.Browser",
            "Library/HTTPStorages/company.thebrowser.Browser.binarycookies",
            "Library/WebKit/company.thebrowser.Browser",
        ]),
    app("GitHub Desktop", "com.github.GitHubClient", "GitHub Desktop", "Casks/g/github.rb",
        standard("com.github.GitHubClient", state=False) + [
            recents("com.github.GitHubClient"),
            f"{AS}/com.github.GitHubClient",
            f"{AS}/com.github.GitHubClient.ShipIt",
            f"{AS}/GitHub Desktop",
            "Library/Caches/com.github.GitHubClient.ShipIt",
            "Library/Logs/GitHub Desktop",
            f"Library/Preferences/ByHost/com.github.GitHubClient.ShipIt.{HOST}.plist",
            "Library/Preferences/com.github.GitHubClient.helper.plist",
        ],
        documents=["Documents/GitHub/sweepwise/README.md"]),
    app("HandBrake", "fr.handbrake.HandBrake", "HandBrake", "Casks/h/handbrake-app.rb",
        standard("fr.handbrake.HandBrake") + [recents("fr.handbrake.HandBrake"),
                                              f"{AS}/HandBrake"],
        documents=["Movies/HandBrake/holiday.m4v"]),
    app("Keka", "com.aone.keka", "Keka", "Casks/k/keka.rb",
        standard("com.aone.keka") + [
            "Library/Application Scripts/com.aone.keka",
            "Library/Application Scripts/com.aone.keka.KekaFinderIntegration",
            recents("com.aone.keka"),
            f"{AS}/Keka",
            "Library/Containers/com.aone.keka",
            "Library/Containers/com.aone.keka.KekaFinderIntegration",
        ],
        documents=["Downloads/Keka archive.7z"]),
    app("IINA", "com.colliderli.iina", "IINA", "Casks/i/iina.rb",
        standard("com.colliderli.iina") + [
            "Library/Application Scripts/com.colliderli.iina.OpenInIINA",
            recents("com.colliderli.iina"),
            f"{AS}/com.colliderli.iina",
            f"{AS}/CrashReporter/IINA_{REPORT}.plist",
            "Library/Containers/com.colliderli.iina.OpenInIINA",
            "Library/Cookies/com.colliderli.iina.binarycookies",
            "Library/HTTPStorages/com.colliderli.iina",
            "Library/Logs/com.colliderli.iina",
            f"Library/Logs/DiagnosticReports/IINA_{REPORT}.crash",
            "Library/WebKit/com.colliderli.iina",
        ]),
]

# Installed applications that stay installed while the others are removed one by one:
# sibling editions whose identifiers contain the removed one's, and an application of
# the same vendor that shares its folders.
STAYING = [
    app("Visual Studio Code - Insiders", "com.microsoft.VSCodeInsiders", "Electron",
        "Casks/v/visual-studio-code@insiders.rb",
        standard("com.microsoft.VSCodeInsiders") + [
            f"{AS}/Code - Insiders",
            recents("com.microsoft.VSCodeInsiders"),
            "Library/Caches/com.microsoft.VSCodeInsiders.ShipIt",
            "Library/HTTPStorages/com.microsoft.VSCodeInsiders",
            f"Library/Preferences/ByHost/com.microsoft.VSCodeInsiders.ShipIt.{HOST}.plist",
            "Library/Preferences/com.microsoft.VSCodeInsiders.helper.plist",
        ],
        bundle="Code - Insiders"),
    app("Google Chrome Canary", "com.google.Chrome.canary", "Google Chrome Canary",
        "Casks/g/google-chrome@canary.rb",
        [f"{AS}/Google/Chrome Canary", "Library/Caches/Google/Chrome Canary",
         "Library/Preferences/com.google.Chrome.canary.plist"]),
    app("IntelliJ IDEA CE", "com.jetbrains.intellij.ce", "idea", "Casks/i/intellij-idea-ce.rb",
        standard("com.jetbrains.intellij.ce", caches=False) + [
            f"{AS}/JetBrains/IdeaIC2025.2",
            "Library/Caches/JetBrains/IdeaIC2025.2",
            "Library/Logs/JetBrains/IdeaIC2025.2",
        ],
        bundle="IntelliJ IDEA CE"),
    app("Firefox Developer Edition", "org.mozilla.firefoxdeveloperedition", "firefox",
        "Casks/f/firefox@developer-edition.rb",
        ["Library/Preferences/org.mozilla.firefoxdeveloperedition.plist"]),
    app("Microsoft Excel", "com.microsoft.Excel", "Microsoft Excel", "Casks/m/microsoft-excel.rb",
        standard("com.microsoft.Excel") + [
            "Library/Application Scripts/com.microsoft.Excel",
            recents("com.microsoft.Excel"),
            "Library/Containers/com.microsoft.Excel",
            "Library/WebKit/com.microsoft.Excel",
        ],
        documents=["Documents/Budget.xlsx"]),
]
