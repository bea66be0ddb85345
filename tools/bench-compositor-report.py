#!/usr/bin/env python3
"""Times the processor compositor (tools/bench-compositor.cpp, built natively)
and FFmpeg's stereo3d filter on the matching conversions, prints the tables with
the ratios and writes a bar chart. Called by tools/bench-stereo.sh.

usage: bench-compositor-report.py BENCH SECONDS_PER_CASE FFMPEG_FRAMES OUT_DIR
Writes OUT_DIR/bench-compositor.txt (the tables) and OUT_DIR/bench-compositor.png.
"""
import os
import re
import subprocess
import sys

WIDTH, HEIGHT = 720, 576
DESTINATIONS = ["720x576", "1024x768"]
# FFmpeg's input codings and ours.
INPUTS = [("sbsl", "HALF_LR"), ("abl", "HALF_AB"), ("irl", "PURE_INTERLACED")]
# FFmpeg's outputs and ours. For one-view outputs stereo3d only re-points the
# frame's planes, so a "copy" filter writes the view out, as ours does.
OUTPUTS = [("irl", "rows"), ("ml", "first_view"), ("icl", "columns"), ("chl", "checkerboard"),
           ("arcd", "arcd"), ("arch", "arch"), ("arcc", "arcc"), ("arcg", "arcg"),
           ("sbs2l", "sbs_half"), ("ab2l", "ab_half")]
SCALE = "scale=1024:768:flags=bilinear"


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def run_ours(exe, seconds):
    out = run([exe, str(seconds)])
    if out.returncode != 0:
        sys.exit("bench-compositor failed:\n" + out.stdout + out.stderr)
    compose, memcpy = {}, {}
    for line in out.stdout.splitlines():
        f = line.split()
        if f and f[0] == "compose":
            compose[tuple(f[1:6])] = float(f[6])
        elif f and f[0] == "memcpy":
            memcpy[f[1]] = float(f[2])
    return compose, memcpy


def ffmpeg_us(vf, frames):
    """Processor microseconds per frame (user + system) of one FFmpeg run, best of two."""
    source = "color=c=gray:s=%dx%d:r=25,format=bgr0" % (WIDTH, HEIGHT)
    best = None
    for _ in range(2):
        out = run(["ffmpeg", "-hide_banner", "-nostdin", "-benchmark", "-threads", "1", "-f", "lavfi", "-i", source,
                   "-frames:v", str(frames), "-filter_threads", "1", "-vf", vf, "-f", "null", "-"])
        m = re.search(r"bench: utime=([0-9.]+)s stime=([0-9.]+)s", out.stderr)
        if not m:
            sys.exit("ffmpeg failed:\n" + out.stderr[-2000:])
        t = (float(m.group(1)) + float(m.group(2))) * 1e6 / frames
        best = t if best is None else min(best, t)
    return best


def main():
    exe, seconds, frames, out_dir = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    lines = []

    def say(text=""):
        print(text)
        lines.append(text)

    say("Processor compositor: %dx%d frame, processor time per frame (one thread), best of 5 batches" % (WIDTH, HEIGHT))
    say("load average before: %.2f %.2f %.2f (2 cores, shared)" % os.getloadavg())
    compose, memcpy = run_ours(exe, seconds)
    kernels = sorted({k[0] for k in compose}, key=lambda n: {"C": 0, "SSE2": 1, "AVX2": 2}.get(n, 3))
    best = kernels[-1]

    say()
    say("Every coding and output, %s kernels, bilinear (nearest in brackets); microseconds per frame and the" % best)
    say("ratio to one memcpy of the destination frame (target: 3 or less)")
    say("memcpy: " + ", ".join("%s %.1f us" % (d, memcpy[d]) for d in DESTINATIONS))
    say("%-16s %-13s" % ("coding", "output") + "".join(" %24s" % d for d in DESTINATIONS))
    codings = []
    outputs = []
    for k in compose:
        if k[1] not in codings:
            codings.append(k[1])
        if k[2] not in outputs:
            outputs.append(k[2])
    over = 0
    for c in codings:
        for o in outputs:
            row = "%-16s %-13s" % (c, o)
            for d in DESTINATIONS:
                b = compose.get((best, c, o, "bilinear", d))
                n = compose.get((best, c, o, "nearest", d))
                if b is None:
                    row += " %24s" % "-"
                    continue
                ratio = b / memcpy[d]
                over += ratio > 3
                row += " %9.1f (%7.1f) x%4.1f" % (b, n, ratio)
            say(row)
    say("cases over three memcpy: %d" % over)

    say()
    say("Kernel sets, bilinear, 720x576 into 720x576 (microseconds per frame)")
    say("%-16s %-13s" % ("coding", "output") + "".join(" %9s" % k for k in kernels))
    for ff_in, c in INPUTS:
        for ff_out, o in OUTPUTS:
            say("%-16s %-13s" % (c, o) + "".join(" %9.1f" % compose.get((k, c, o, "bilinear", "720x576"), float("nan"))
                                                for k in kernels))

    say()
    say("FFmpeg stereo3d (one thread), %dx%d bgr0 frames from lavfi, %d frames, best of 2; input cost subtracted"
        % (WIDTH, HEIGHT, frames))
    base = ffmpeg_us("null", frames)
    say("input cost: %.1f us/frame" % base)
    say("%-22s %10s %10s %7s %5s | %12s %10s %7s %5s" % ("conversion", "stereo3d", "ours", "ratio", "ok",
                                                         "+scale 1024", "ours 1024", "ratio", "ok"))
    chart = []
    misses = []
    for ff_in, c in INPUTS:
        for ff_out, o in OUTPUTS:
            if ff_in == ff_out:
                continue
            mode = "stereo3d=%s:%s" % (ff_in, ff_out) + (",copy" if ff_out == "ml" else "")
            ff = max(ffmpeg_us(mode, frames) - base, 1.0)
            ff_scaled = max(ffmpeg_us(mode + "," + SCALE, frames) - base, 1.0)
            ours = compose.get((best, c, o, "bilinear", "720x576"), float("nan"))
            ours_big = compose.get((best, c, o, "bilinear", "1024x768"), float("nan"))
            r1, r2 = ff / ours, ff_scaled / ours_big
            ok1, ok2 = r1 >= 1.0, r2 >= 2.0
            name = "%s:%s" % (ff_in, ff_out)
            if not ok1:
                misses.append("%s at 720x576: ours %.1f us, stereo3d %.1f us" % (name, ours, ff))
            if not ok2:
                misses.append("%s into 1024x768: ours %.1f us, stereo3d+scale %.1f us" % (name, ours_big, ff_scaled))
            say("%-22s %10.1f %10.1f %7.2f %5s | %12.1f %10.1f %7.2f %5s" % (
                name, ff, ours, r1, "yes" if ok1 else "NO", ff_scaled, ours_big, r2, "yes" if ok2 else "NO"))
            chart.append((name, ours, ff, ours_big, ff_scaled))
    say("ratio = FFmpeg's time / ours; targets: 1 or more at 720x576, 2 or more into 1024x768")
    say("targets missed: %d" % len(misses))
    for m in misses:
        say("  " + m)
    say("load average after: %.2f %.2f %.2f" % os.getloadavg())

    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "bench-compositor.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib missing (tools/packages/stereo.txt lists python3-matplotlib): no chart")
        return
    names = [c[0] for c in chart]
    x = range(len(names))
    fig, ax = plt.subplots(figsize=(max(10, len(names) * 0.6), 5))
    width = 0.2
    series = [("ours 720x576", 1, "#1f77b4"), ("stereo3d", 2, "#aec7e8"),
              ("ours 1024x768", 3, "#d62728"), ("stereo3d + scale 1024x768", 4, "#ff9896")]
    for i, (label, index, colour) in enumerate(series):
        ax.bar([p + (i - 1.5) * width for p in x], [c[index] for c in chart], width, label=label, color=colour)
    ax.set_xticks(list(x))
    ax.set_xticklabels(names, rotation=60, ha="right", fontsize=8)
    ax.set_ylabel("processor microseconds per frame (lower is faster)")
    ax.set_title("Processor compositor against FFmpeg stereo3d, 720x576 frame")
    ax.legend(fontsize=8)
    fig.tight_layout()
    path = os.path.join(out_dir, "bench-compositor.png")
    fig.savefig(path, dpi=100)
    print("chart: " + path)


if __name__ == "__main__":
    main()
