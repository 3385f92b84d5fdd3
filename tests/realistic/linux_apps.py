"""Real Linux desktop applications for the realistic Linux home, each kept as an AppImage.

Facts only, written for this project from public sources:

- the per-user places (under ~/.config, ~/.cache, ~/.local/share, ~/.local/state) come
  from the public catalogue strycore/bestiary, file apps/<entry>.yaml (its `native`
  locations); places it names outside those folders are left out, as the helper looks
  nowhere else;
- the id (the AppImage's AppStream component id and desktop entry name) is the same
  file's `flatpak_id`, or where it has none the Flathub repository flathub/<id>;
  applications publish one AppStream id for every package kind;
- Name is the catalogue's display name; the program the entry's Exec runs is the
  catalogue's entry name, which is the program's name for these applications.

Each application has:
  entry       the catalogue entry (apps/<entry>.yaml)
  id, name    as above
  leftovers   the application's own places, relative to the home folder
  shared      places beside them that other products of the same vendor use
  documents   the user's own files named after the application; never offered
  integrated  whether a desktop-integration tool made a menu entry, icons and
              thumbnails for it
  copy        another copy that stays installed: "appimage" (another AppImage with the
              same id in ~/Applications) or "package" (a packaged menu entry with the id)
"""


def app(entry, id, name, leftovers, shared=(), documents=(), integrated=False, copy=None,
        exe=None):
    return {"entry": entry, "id": id, "name": name, "exe": exe or entry,
            "leftovers": list(leftovers), "shared": list(shared),
            "documents": list(documents), "integrated": integrated, "copy": copy}


APPS = [
    app("audacity", "org.audacityteam.Audacity", "Audacity",
        [".config/audacity", ".local/share/audacity"], documents=["Music/Audacity"],
        integrated=True),
    app("blender", "org.blender.Blender", "Blender",
        [".config/blender", ".local/share/blender", ".cache/blender"],
        documents=["Documents/blender"]),
    app("calibre", "com.calibre_ebook.calibre", "Calibre", [".config/calibre", ".cache/calibre"],
        documents=["Calibre Library"]),
    app("carla", "studio.kx.carla", "Carla", [".config/falkTX/Carla2.conf"],
        shared=[".config/falkTX/Cadence.conf"]),
    app("cemu", "info.cemu.Cemu", "Cemu", [".config/Cemu", ".local/share/Cemu"]),
    app("darktable", "org.darktable.Darktable", "darktable",
        [".config/darktable", ".cache/darktable"], documents=["Pictures/darktable"],
        integrated=True),
    app("discord", "com.discordapp.Discord", "Discord", [".config/discord"], copy="appimage"),
    app("dolphin-emu", "org.DolphinEmu.dolphin-emu", "Dolphin Emulator",
        [".config/dolphin-emu", ".local/share/dolphin-emu", ".cache/dolphin-emu"]),
    app("element", "im.riot.Riot", "Element", [".config/Element"], integrated=True),
    app("filezilla", "org.filezillaproject.Filezilla", "FileZilla", [".config/filezilla"]),
    app("gimp", "org.gimp.GIMP", "GIMP", [".config/GIMP", ".local/share/gimp"],
        documents=["Pictures/GIMP"]),
    app("heroic", "com.heroicgameslauncher.hgl", "Heroic Games Launcher",
        [".config/heroic", ".local/share/heroic", ".cache/heroic"], documents=["Games/Heroic"]),
    app("inkscape", "org.inkscape.Inkscape", "Inkscape",
        [".config/inkscape", ".local/share/inkscape"], integrated=True),
    app("joplin", "net.cozic.joplin_desktop", "Joplin", [".config/joplin-desktop"]),
    app("keepassxc", "org.keepassxc.KeePassXC", "KeePassXC", [".config/keepassxc"],
        documents=["Documents/KeePassXC.kdbx"]),
    app("krita", "org.kde.krita", "Krita", [".config/kritarc", ".local/share/krita"],
        integrated=True),
    app("lmms", "io.lmms.LMMS", "LMMS", [".config/lmms", ".local/share/lmms"],
        documents=["lmms"]),
    app("mpv", "io.mpv.Mpv", "mpv", [".config/mpv", ".cache/mpv", ".local/state/mpv"]),
    app("obs-studio", "com.obsproject.Studio", "OBS Studio",
        [".config/obs-studio", ".cache/obs-studio"], documents=["Videos/OBS"]),
    app("obsidian", "md.obsidian.Obsidian", "Obsidian", [".config/obsidian"],
        documents=["Documents/Obsidian Vault"], integrated=True),
    app("signal", "org.signal.Signal", "Signal Desktop", [".config/Signal"]),
    app("slack", "com.slack.Slack", "Slack", [".config/Slack"], copy="package"),
    app("unity-hub", "com.unity.UnityHub", "Unity Hub", [".config/unityhub"],
        shared=[".config/unity3d/Some Studio/Some Game"]),
    app("vlc", "org.videolan.VLC", "VLC media player",
        [".config/vlc", ".cache/vlc", ".local/share/vlc"], exe="vlc"),
]
