#!/usr/bin/env python3
"""The helper on a virtual desktop, against a plain Qt Widgets program
(bench/anchors/empty_widget.cpp) on the same screen in the same run.

- desktop.trash-to-panel: from the rename of an application into the Trash to the
  panel being mapped, minus the helper's 2-second wait for the Trash to settle; the
  anchor shows its window when its watched folder changes. Sample applications with
  the standard leftovers only. Median of BENCH_REPETITIONS (default 9) after a
  warm-up.
- flatpak.uninstall-to-panel: from the last file event of a Flatpak application's
  uninstall (its folder gone from the user installation, ".changed" touched, as flatpak
  leaves them) to the panel being mapped, minus the helper's 2-second quiet delay;
  against desktop.trash-to-panel of the same run (the helper's own Trash road), goal at
  most 1.2. Median of the same repetitions after a warm-up.
- desktop.idle-cpu: processor time (user + system, all threads) of a freshly started
  helper and of the anchor showing its window, over the same BENCH_IDLE_SECONDS
  (default 60). When the anchor used none, the ratio is against one clock tick.
- desktop.idle-rss and desktop.rss-after-panels: resident memory of the idle helper,
  and after it has shown and dismissed the panels and then waited out the delay after
  which it lets the knowledge base go and gives idle memory back (RELEASE_SECONDS, the
  helper's 30 seconds and a margin), against the anchor's. rss-after-panels is
  taken once the anchor has quit and the helper has shown one more panel and given
  memory back on its own: pages that both programs map stay resident for the helper
  while the anchor runs. rss-after-panels.beside-anchor is the same taken while the
  anchor still runs.

Prints tab-separated lines as bench/ratios.py does: comparison, ratio (ours / anchor,
lower is better), our figure, the anchor's figure, unit. Progress goes to stderr.
"""
# Builds: Sweepwise SweepwiseHelper default_knowledge_base bench_empty_widget
import os
import shutil
import statistics
import sys
import time
from pathlib import Path

# The harness is imported from the source tree, which stays free of caches.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scripts"))
import desktop  # noqa: E402

ANCHOR = desktop.build_folder() / "bench" / "bench_empty_widget"
# KnowledgeBaseCache::kReleaseDelay after the last search, and a margin for the release.
RELEASE_SECONDS = 30 + 5
TICK = os.sysconf("SC_CLK_TCK")


def progress(text):
    print(f"bench/desktop: {text}", file=sys.stderr, flush=True)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the line; fields[0] is field 3.
    return (int(fields[11]) + int(fields[12])) / TICK


def resident_bytes(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    raise RuntimeError(f"no VmRSS for {pid}")


def has_inotify(pid):
    folder = Path(f"/proc/{pid}/fd")
    for fd in folder.iterdir():
        try:
            if os.readlink(fd) == "anon_inode:inotify":
                return True
        except OSError:
            pass  # Closed since the folder was listed.
    return False


def visible(session, window_class):
    status, out, _ = session.xdotool("search", "--onlyvisible", "--class", window_class)
    return status == 0 and out.split()


def time_to_window(session, window_class, act, timeout=30):
    """Seconds from act() to a window of that class being mapped, polled as fast as
    xdotool answers."""
    start = time.monotonic()
    act()
    desktop.wait_for(lambda: visible(session, window_class), timeout,
                     f"{window_class} window", interval=0)
    return time.monotonic() - start


def helper_latency(session, sandbox, index):
    app = desktop.sample_app(f"Sample {index}.app", f"com.example.Sample{index}",
                             f"Sample{index}")
    bundle = sandbox.install(app)
    seconds = time_to_window(session, "SweepwiseHelper",
                             lambda: sandbox.move_to_trash(bundle))
    window = session.panel_windows()[0]
    session.click_ignore(window)
    session.wait_until_hidden(window)
    return seconds - desktop.DEBOUNCE_SECONDS


def deploy_flatpak(installation, app_id):
    """An installed application as `flatpak install` lays it out (tests/support/
    FlatpakTestSupport.h), with its exported entry."""
    commit = installation / "app" / app_id / "x86_64/stable" / "c0ffee"
    (commit / "export/share/applications").mkdir(parents=True)
    (commit / "metadata").write_text(f"[Application]\nname={app_id}\n")
    (commit / "export/share/applications" / f"{app_id}.desktop").write_text(
        f"[Desktop Entry]\nType=Application\nName={app_id.rsplit('.', 1)[1]}\n")
    (commit.parent / "active").symlink_to("c0ffee")
    (installation / "app" / app_id / "current").symlink_to("x86_64/stable")
    (installation / ".changed").write_text("")


def flatpak_latency(session, sandbox, index):
    installation = sandbox.data_home / "flatpak"
    app_id = f"org.example.Flat{index}"
    deploy_flatpak(installation, app_id)
    (sandbox.home / ".var/app" / app_id / "config").mkdir(parents=True)
    # Remembered once the quiet delay after the install has passed.
    time.sleep(desktop.DEBOUNCE_SECONDS + 1)

    # The clock starts at the uninstall's last file event: flatpak touching ".changed"
    # after the application's folder is gone (which, removed here, takes a while itself).
    shutil.rmtree(installation / "app" / app_id)
    seconds = time_to_window(session, "SweepwiseHelper",
                             lambda: (installation / ".changed").write_text(""))
    window = session.panel_windows()[0]
    session.click_ignore(window)
    session.wait_until_hidden(window)
    return seconds - desktop.DEBOUNCE_SECONDS


def anchor_latency(session, sandbox, index):
    watched = sandbox.path / f"anchor-trash-{index}"
    watched.mkdir()
    item = sandbox.path / f"anchor-item-{index}.app"
    item.mkdir()
    anchor = session.start("anchor-watching", [ANCHOR, watched])
    desktop.wait_for(lambda: has_inotify(anchor.pid), 20, "anchor watching its folder")
    seconds = time_to_window(session, ANCHOR.name,
                             lambda: os.rename(item, watched / item.name))
    anchor.stop()
    return seconds


def line(comparison, ours, anchor, unit, floor=0.0):
    """One line of the table; `floor` stands in for an anchor figure below it."""
    base = max(anchor, floor)
    ratio = ours / base if base else float("inf")
    print(f"{comparison}\t{ratio:.3f}\t{ours:.4g}\t{anchor:.4g}\t{unit}", flush=True)


def main():
    repetitions = int(os.environ.get("BENCH_REPETITIONS", "9"))
    idle_seconds = float(os.environ.get("BENCH_IDLE_SECONDS", "60"))
    for program in (desktop.helper_executable(), ANCHOR):
        if not program.exists():
            print(f"bench/desktop: {program} is missing; run bench/run desktop", file=sys.stderr)
            return 1

    sandbox = desktop.Sandbox(prefix="sweepwise-bench-desktop-")
    try:
        with desktop.Desktop(sandbox) as session:
            sandbox.grant_full_disk_access()
            helper = session.start_helper()
            anchor = session.start("anchor", [ANCHOR])
            desktop.wait_for(lambda: visible(session, ANCHOR.name), 20, "anchor window")
            time.sleep(2)

            progress(f"idle for {idle_seconds:g} s")
            before = cpu_seconds(helper.pid), cpu_seconds(anchor.pid)
            time.sleep(idle_seconds)
            after = cpu_seconds(helper.pid), cpu_seconds(anchor.pid)
            ours_cpu, anchor_cpu = (a - b for a, b in zip(after, before))
            idle_rss = resident_bytes(helper.pid), resident_bytes(anchor.pid)

            progress(f"trash to panel, {repetitions} repetitions after a warm-up")
            ours, theirs, flat = [], [], []
            for index in range(repetitions + 1):
                ours.append(helper_latency(session, sandbox, index))
                theirs.append(anchor_latency(session, sandbox, index))
                flat.append(flatpak_latency(session, sandbox, index))
                progress(f"  {index}: helper {ours[-1] * 1000:.0f} ms, "
                         f"anchor {theirs[-1] * 1000:.0f} ms, "
                         f"flatpak {flat[-1] * 1000:.0f} ms")
            progress(f"waiting {RELEASE_SECONDS} s for the helper to give memory back")
            time.sleep(RELEASE_SECONDS)
            beside_rss = resident_bytes(helper.pid), resident_bytes(anchor.pid)

            # The anchor maps the same Qt, font and library pages; while it runs, the
            # kernel keeps them resident for the helper too, whatever the helper gives
            # back. So the helper shows one more panel and gives memory back on its own,
            # and is compared with the anchor as measured above.
            anchor.stop()
            progress(f"alone: one more panel, then {RELEASE_SECONDS} s")
            helper_latency(session, sandbox, repetitions + 1)
            time.sleep(RELEASE_SECONDS)
            panel_rss = resident_bytes(helper.pid), beside_rss[1]

        line("desktop.idle-cpu", ours_cpu * 1000, anchor_cpu * 1000, "ms", floor=1000 / TICK)
        line("desktop.idle-rss", *idle_rss, "bytes")
        line("desktop.rss-after-panels", *panel_rss, "bytes")
        line("desktop.rss-after-panels.beside-anchor", *beside_rss, "bytes")
        line("desktop.trash-to-panel", statistics.median(ours[1:]) * 1000,
             statistics.median(theirs[1:]) * 1000, "ms")
        line("flatpak.uninstall-to-panel", statistics.median(flat[1:]) * 1000,
             statistics.median(ours[1:]) * 1000, "ms")
        return 0
    finally:
        sandbox.remove()


if __name__ == "__main__":
    sys.exit(main())
