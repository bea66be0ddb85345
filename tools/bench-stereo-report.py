#!/usr/bin/env python3
"""Runs the stereo benchmark under Wine and FFmpeg's stereo3d filter on the
matching conversions, and prints one table. Called by tools/bench-stereo.sh
inside the benchmark's Wine environment; not meant to be run on its own.

usage: bench-stereo-report.py BENCH_EXE SECONDS_PER_CASE FFMPEG_FRAMES CONFIGS
CONFIGS: comma-separated list of Wine set-ups: "default" (as installed: the
Direct3D command stream runs on its own thread) and/or "csmt-off".
"""
import os
import re
import subprocess
import sys

WIDTH, HEIGHT = 720, 576
DESTINATIONS = ["720x576", "1024x768"]

# Conversions FFmpeg's stereo3d filter can do on the same frame, and our routines that do them.
# For one-view outputs stereo3d only re-points the input frame's planes (no pixel
# is written), so a "copy" filter after it writes the view out, as our routines do.
CONVERSIONS = [
    ("side by side -> row-interleaved", "sbsl:irl",
     [("PURE_LR_DisplayInterlaced", "-"), ("Universal_Display_Interlaced", "PURE_LR")]),
    ("above/below -> row-interleaved", "abl:irl",
     [("PURE_AB_DisplayInterlaced", "-"), ("Universal_Display_Interlaced", "PURE_AB"),
      ("SHIFTED_AB_DisplayInterlaced", "-"), ("Universal_Display_Interlaced", "SHIFTED_AB")]),
    ("row-interleaved -> one view", "irl:ml,copy", [("Universal_Display_3D_to_2D", "PURE_INTERLACED")]),
    ("side by side -> one view", "sbsl:ml,copy", [("Universal_Display_3D_to_2D", "PURE_LR")]),
    ("above/below -> one view", "abl:ml,copy",
     [("Universal_Display_3D_to_2D", "PURE_AB"), ("Universal_Display_3D_to_2D", "SHIFTED_AB")]),
]

D3D_KEY = r"HKCU\Software\Wine\Direct3D"


def run(args, **kw):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kw)


def set_wine_config(config):
    if config == "csmt-off":
        run(["wine", "reg", "add", D3D_KEY, "/v", "csmt", "/t", "REG_DWORD", "/d", "0", "/f"])
    else:
        run(["wine", "reg", "delete", D3D_KEY, "/v", "csmt", "/f"])
    run(["wineserver", "-w"])


def run_ours(exe, seconds):
    out = run(["wine", exe, str(seconds)])
    if out.returncode != 0:
        sys.exit("bench-stereo.exe failed:\n" + out.stdout + out.stderr)
    fps, copies, memcpy = {}, {}, {}
    for line in out.stdout.splitlines():
        f = line.split()
        if f and f[0] == "ours":
            fps[(f[1], f[2], f[3])] = float(f[4])
            copies[("cpu", f[1], f[2], f[3])] = float(f[6])
        elif f and f[0] == "copy":
            copies[(f[1], f[2])] = float(f[3])
        elif f and f[0] == "memcpy":
            memcpy[f[2]] = float(f[3])
    return fps, copies, memcpy


def ffmpeg_seconds(vf, frames):
    """Processor seconds (user + system) of one FFmpeg run, best of three. Processor
    time rather than wall-clock time, so that other work on a shared machine counts
    less; with one filter thread and a generated input FFmpeg runs on one thread."""
    source = "color=c=gray:s=%dx%d:r=25,format=bgr0" % (WIDTH, HEIGHT)
    best = None
    for _ in range(3):
        out = run(["ffmpeg", "-hide_banner", "-nostdin", "-benchmark", "-f", "lavfi", "-i", source,
                   "-frames:v", str(frames), "-filter_threads", "1", "-vf", vf, "-f", "null", "-"])
        m = re.search(r"bench: utime=([0-9.]+)s stime=([0-9.]+)s rtime=([0-9.]+)s", out.stderr)
        if not m:
            sys.exit("ffmpeg failed:\n" + out.stderr[-2000:])
        t = float(m.group(1)) + float(m.group(2))
        best = t if best is None else min(best, t)
    return best


def ffmpeg_output_size(mode):
    out = run(["ffmpeg", "-hide_banner", "-nostdin", "-f", "lavfi", "-i",
               "color=c=gray:s=%dx%d:r=25,format=bgr0" % (WIDTH, HEIGHT), "-frames:v", "1",
               "-vf", "stereo3d=" + mode.split(",")[0], "-f", "null", "-"])
    m = re.search(r"Output #0.*?Video: .*?, (\d+x\d+)", out.stderr, re.S)
    return m.group(1) if m else "?"


def main():
    exe, seconds, frames, configs = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4].split(",")
    print("Stereo routines: %dx%d source frame, 1024x768 work surfaces, all in system memory; Wine %s"
          % (WIDTH, HEIGHT, run(["wine", "--version"]).stdout.strip()))
    print("load average before: %.2f %.2f %.2f (2 cores, shared)" % os.getloadavg())

    results = {}
    for config in configs:
        set_wine_config(config)
        results[config] = run_ours(exe, seconds)
    set_wine_config("default")

    # Frames per second of every routine and coding.
    print()
    header = "%-34s %-16s" % ("routine", "coding")
    for config in configs:
        for d in DESTINATIONS:
            header += " %16s" % ("%s %s" % (d, config))
    print("Frames per second (Wine set-up after the size; 'default' = command stream thread on)")
    print(header)
    keys = list(results[configs[0]][0].keys())
    seen = []
    for name, coding, _ in keys:
        if (name, coding) in seen:
            continue
        seen.append((name, coding))
        line = "%-34s %-16s" % (name, coding)
        for config in configs:
            for d in DESTINATIONS:
                line += " %16.1f" % results[config][0].get((name, coding, d), float("nan"))
        print(line)

    print()
    print("Processor time per frame in microseconds (all threads of the process; less affected by other load)")
    print(header)
    for name, coding in seen:
        line = "%-34s %-16s" % (name, coding)
        for config in configs:
            for d in DESTINATIONS:
                line += " %16.1f" % results[config][1].get(("cpu", name, coding, d), float("nan"))
        print(line)

    print()
    print("Cost of one copy in microseconds (what limits the row-by-row design)")
    print("%-34s %-16s" % ("copy", "") + "".join(" %16s" % ("%s %s" % (d, c)) for c in configs for d in DESTINATIONS))
    for kind, label in [("row_stretch", "one row, 720 -> destination width"),
                        ("row_stretch_async", "the same with DDBLT_ASYNC added"), ("row_bltfast", "one row BltFast"),
                        ("one_pixel", "one pixel"), ("frame_unscaled", "720x576 frame unscaled")]:
        print("%-51s" % label + "".join(" %16.2f" % results[c][1].get((kind, d), float("nan"))
                                        for c in configs for d in DESTINATIONS))
    print("%-51s" % "memcpy of one destination-sized frame (32 bpp)" +
          "".join(" %16.2f" % results[c][2].get(d, float("nan")) for c in configs for d in DESTINATIONS))

    # FFmpeg: input cost alone, then with the filter.
    print()
    print("FFmpeg stereo3d (Debian ffmpeg, one filter thread), %dx%d bgr0 frames from lavfi, %d frames, "
          "processor time, best of 3"
          % (WIDTH, HEIGHT, frames))
    input_seconds = ffmpeg_seconds("null", frames)
    print("input cost (same run without the filter): %.1f us/frame" % (input_seconds * 1e6 / frames))
    print("%-34s %-16s %-9s %14s %12s %18s" % ("conversion", "stereo3d", "output", "filter us/fr", "filter fps",
                                              "stereo3d alone us"))
    ffmpeg_fps, ffmpeg_us = {}, {}
    for label, mode, _ in CONVERSIONS:
        total = ffmpeg_seconds("stereo3d=" + mode, frames)
        # Differences below 2 us a frame are within the noise of the input run.
        filter_seconds = max(total - input_seconds, 2e-6 * frames)
        ffmpeg_fps[mode] = frames / filter_seconds
        ffmpeg_us[mode] = filter_seconds * 1e6 / frames
        alone = ""
        if "," in mode:
            alone = "%.1f" % (max(ffmpeg_seconds("stereo3d=" + mode.split(",")[0], frames) - input_seconds, 0)
                              * 1e6 / frames)
        print("%-34s %-16s %-9s %14.1f %12.1f %18s" % (label, mode, ffmpeg_output_size(mode),
                                                        filter_seconds * 1e6 / frames, ffmpeg_fps[mode], alone))

    print()
    print("Ratio ours/FFmpeg in frames per second (1.0 or more: ours is no slower)")
    print("%-34s %-45s" % ("conversion", "our routine") +
          "".join(" %16s" % ("%s %s" % (d, c)) for c in configs for d in DESTINATIONS))
    for label, mode, routines in CONVERSIONS:
        for name, coding in routines:
            line = "%-34s %-45s" % (label, name + ("" if coding == "-" else " " + coding))
            for config in configs:
                for d in DESTINATIONS:
                    ours = results[config][0].get((name, coding, d), float("nan"))
                    line += " %16.3f" % (ours / ffmpeg_fps[mode])
            print(line)
    print()
    print("The same ratio by processor time per frame (FFmpeg's time / ours; less affected by other load,")
    print("but with the command stream thread on, ours includes that thread's waiting)")
    print("%-34s %-45s" % ("conversion", "our routine") +
          "".join(" %16s" % ("%s %s" % (d, c)) for c in configs for d in DESTINATIONS))
    for label, mode, routines in CONVERSIONS:
        for name, coding in routines:
            line = "%-34s %-45s" % (label, name + ("" if coding == "-" else " " + coding))
            for config in configs:
                for d in DESTINATIONS:
                    ours = results[config][1].get(("cpu", name, coding, d), float("nan"))
                    line += " %16.3f" % (ffmpeg_us[mode] / ours if ours > 0 else float("nan"))
            print(line)
    print()
    print("load average after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
