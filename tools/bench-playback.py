#!/usr/bin/python3
"""Runs the player on a generated movie in each mode and prints the figures
(called by tools/bench-playback.sh inside its Wine environment)."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

OUTPUTS = {1072: "plain 2D", 1073: "interlaced", 1074: "2D to 3D", 1075: "3D to 2D"}
# Outputs only the processor draws (measured with method 3 only).
PROCESSOR_OUTPUTS = {1101: "3D to 2D, other eye", 1102: "anaglyph red/cyan", 1103: "anaglyph red/cyan half",
                     1104: "anaglyph red/cyan colour", 1105: "anaglyph red/cyan grey", 1106: "anaglyph green/magenta",
                     1107: "anaglyph amber/blue", 1108: "columns", 1109: "checkerboard", 1110: "side by side",
                     1111: "side by side half", 1112: "above/below", 1113: "above/below half"}
CODINGS = {1076: ("SHIFTED_AB", "shifted_ab"), 1077: ("PURE_AB", "pure_ab"), 1078: ("PURE_LR", "pure_lr"),
           1079: ("PURE_INTERLACED", "pure_interlaced")}
METHODS = {1082: "method 1", 1083: "method 2", 1114: "method 3"}
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def winepath(path):
    return subprocess.run(["winepath", "-w", path], check=True, capture_output=True, text=True).stdout.strip()


def set_setting(key, name, value):
    # The player reads the user's keys first: the machine's preset only counts without them.
    subprocess.run(["wine", "reg", "delete", "HKCU\\Software\\Brontide\\Vizor Cinema", "/f"], capture_output=True)
    subprocess.run(["wine", "reg", "add", "HKLM\\Software\\Brontide\\Vizor Cinema\\" + key, "/v", name,
                    "/t", "REG_DWORD", "/d", str(value), "/f"], check=True, capture_output=True)


def cpu_seconds(pid):
    """User plus system time of one process (all its threads)."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def read_log(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("latin-1").replace("\r\n", "\n")
    except OSError:
        return ""


def play(player, movie, log, timeout):
    """Plays the movie to its end; returns (log text, seconds from open to end, CPU seconds)."""
    if os.path.exists(log):
        os.remove(log)
    env = dict(os.environ, VIZOR_LOG=winepath(log))
    process = subprocess.Popen(["wine", player, winepath(movie)], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        start = end = None
        cpu_start = cpu_end = 0.0
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and process.poll() is None:
            text = read_log(log)
            if start is None and "Starting Main Loop\n" in text:
                start, cpu_start = time.monotonic(), cpu_seconds(process.pid)
            if start is not None and "EXPERIENTAL FRAMERATE: " in text:
                end, cpu_end = time.monotonic(), cpu_seconds(process.pid)
                break
            time.sleep(0.02)
        return read_log(log), (end - start) if end and start else None, cpu_end - cpu_start
    finally:
        process.kill()
        process.wait()
        subprocess.run(["wineserver", "-w"], check=False)


def set_wine_config(config):
    """Wine's Direct3D command-stream thread on (as installed) or off, in this prefix only."""
    key = "HKCU\\Software\\Wine\\Direct3D"
    if config == "csmt-off":
        subprocess.run(["wine", "reg", "add", key, "/v", "csmt", "/t", "REG_DWORD", "/d", "0", "/f"], check=True,
                       capture_output=True)
    else:
        subprocess.run(["wine", "reg", "delete", key, "/v", "csmt", "/f"], check=False, capture_output=True)
    subprocess.run(["wineserver", "-w"], check=False)


def number(pattern, text):
    m = re.search(pattern, text)
    return int(m.group(1)) if m else None


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


# High-definition movies as they are handed around (--hd): H.264 in MP4 at 24
# frames a second, made by ffmpeg from a generated two-second scene, looped.
# Name, coding, packing, size, frames a second.
HD_MOVIES = [
    ("1280x720 half side by side", 1078, "pure_lr", "1280x720", 24),
    ("1920x1080 half above/below", 1077, "pure_ab", "1920x1080", 24),
]
# Frames larger than most screens (--hd-large): every one is larger than the
# 1024x768 test screen, so the work surfaces grow and the window is fitted.
HD_LARGE_MOVIES = [
    ("1920x1080 half side by side, 24 fps", 1078, "pure_lr", "1920x1080", 24),
    ("1920x1080 half side by side, 60 fps", 1078, "pure_lr", "1920x1080", 60),
    ("3840x1080 full side by side, 24 fps", 1078, "pure_lr", "3840x1080", 24),
]


def make_hd_movie(folder, packing, size, seconds, fps=24):
    """A one-second generated scene (two at 24 fps) looped by ffmpeg to about the given length."""
    source = os.path.join(folder, "source-%s-%d.avi" % (size, fps))
    movie = os.path.join(folder, "%s-%s-%d.mp4" % (packing, size, fps))
    source_seconds = 2 if fps <= 24 else 1  # the source stays well under make-movie's 1 GB
    subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-movie.py"),
                    "--packing", packing, "--size", size, "--fps", str(fps), "--frames", str(fps * source_seconds),
                    "--audio", source], check=True)
    loops = max(0, int(round(seconds / float(source_seconds))) - 1)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-stream_loop", str(loops), "-i", source, "-c:v", "libx264",
                    "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "96k",
                    movie], check=True)
    os.remove(source)
    return movie


def stream_alone(build, movie):
    """The stream's own cost: every frame decoded into a surface, nothing drawn."""
    probe = subprocess.run(["wine", os.path.join(build, "bin", "stream-probe.exe"), "--all", winepath(movie)],
                           capture_output=True, text=True, timeout=600)
    m = re.search(r"frames (\d+) wall ([\d.]+) cpu ([\d.]+)", probe.stdout)
    if not m:
        return "the stream probe failed (exit code %d)" % probe.returncode, None
    frames, wall, cpu = int(m.group(1)), float(m.group(2)), float(m.group(3))
    ms = 1000.0 * cpu / max(frames, 1)
    return "stream alone (decoding into a surface, nothing drawn): %d frames, %.1f fps, CPU %.1f ms/frame" % (
        frames, frames / wall if wall else 0, ms), ms


def run_hd(build, player, folder, seconds, configs, large=False):
    chosen = HD_LARGE_MOVIES if large else HD_MOVIES
    movies = [(name, coding, make_hd_movie(folder, packing, size, seconds, fps))
              for name, coding, packing, size, fps in chosen]
    print("Movies: H.264 (x264 veryfast, CRF 18) with AAC sound in MP4, %s fps, %.0f s; screen 1024x768x24; "
          "%d cores" % ("/".join(sorted({str(m[4]) for m in chosen})), seconds, os.cpu_count()))
    for config in configs:
        set_wine_config(config)
        print()
        print("Wine set-up: %s; load average before: %s" % (config, load_average()))
        for name, coding, movie in movies:
            print()
            line, stream_ms = stream_alone(build, movie)
            print("%s: %s" % (name, line))
            print()
            header = ("| Output | Coding | Method | Frames | Logged fps | Measured fps | CPU ms/frame | CPU % of a core "
                      "| Drawing ms/frame (CPU less the stream alone) |")
            print(header)
            print("|" + "---|" * (header.count("|") - 1))
            sys.stdout.flush()
            for method in METHODS:
                for output in OUTPUTS:
                    run_case(player, folder, movie, output, coding, method, seconds, stream_ms)
        print()
        print("Load average after: %s" % load_average())


def run_case(player, folder, movie, output, coding, method, seconds, stream_ms=None):
    set_setting("output", "StereoCodingFormat", coding)
    set_setting("output", "EyeCodingFormat", 1080)
    set_setting("movie", "OutputFormat", output)
    set_setting("movie", "VideomemoryMethod", method)
    set_setting("movie", "StrenghtOf2Dto3DEffect", 50)
    text, wall, cpu = play(player, movie, os.path.join(folder, "player.log"), timeout=seconds * 4 + 60)
    played = number(r"Frames played: (-?\d+) \n", text)
    logged = number(r"EXPERIENTAL FRAMERATE: (-?\d+) \n", text)
    names = (OUTPUTS.get(output) or PROCESSOR_OUTPUTS[output], CODINGS[coding][0], METHODS[method])
    extra = " |" if stream_ms is not None else ""
    if played is None or not wall:
        print("| %s | %s | %s | did not finish | | | | |%s" % (names + (extra,)))
        return
    failures = text.count("failed with") - text.count("GetInformation(&pdwFlags, NULL)  failed with")
    ms = 1000.0 * cpu / max(played, 1)
    if stream_ms is not None:
        extra = " %.1f |" % (ms - stream_ms)
    print("| %s | %s | %s | %d | %d | %.1f | %.1f | %.0f |%s%s" % (
        names + (played, logged, played / wall, ms, 100.0 * cpu / wall, extra,
                 "  (%d failed calls logged)" % failures if failures else "")))
    sys.stdout.flush()


def main():
    build, seconds, all_codings = sys.argv[1], float(sys.argv[2]), sys.argv[3] == "1"
    configs = sys.argv[4].split(",") if len(sys.argv) > 4 else ["default"]
    hd = sys.argv[5] if len(sys.argv) > 5 else "0"
    fps = int(sys.argv[6]) if len(sys.argv) > 6 else 25
    frames = max(1, int(round(seconds * fps)))
    folder = tempfile.mkdtemp(prefix="bench-playback-", dir=build)
    cases = []
    for method in METHODS:
        for output in OUTPUTS:
            codings = list(CODINGS) if all_codings and output in (1073, 1075) else [1076]
            for coding in codings:
                cases.append((output, coding, method))
        if method == 1114:
            cases.extend((output, 1076, method) for output in PROCESSOR_OUTPUTS)
    try:
        # A copy of the player alone, so that no start-up movie plays first.
        player = os.path.join(folder, "Vizor_Movie.exe")
        shutil.copyfile(os.path.join(build, "bin", "Vizor_Movie.exe"), player)
        if hd in ("1", "large"):
            run_hd(build, player, folder, seconds, configs, large=hd == "large")
            return
        movies = {}
        for coding in sorted({c for _, c, _ in cases}):
            movies[coding] = os.path.join(folder, CODINGS[coding][1] + ".avi")
            subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                             "make-movie.py"),
                            "--packing", CODINGS[coding][1], "--size", "720x576", "--fps", str(fps),
                            "--frames", str(frames), "--audio", movies[coding]], check=True)
        print("Movie: 720x576, %d fps, %d frames (%.1f s), 24-bit RGB with 16-bit PCM sound; screen 1024x768x24; "
              "%d cores" % (fps, frames, seconds, os.cpu_count()))
        for config in configs:
            set_wine_config(config)
            print()
            print("Wine set-up: %s; load average before: %s" % (config, load_average()))
            print()
            header = "| Output | Coding | Method | Frames | Logged fps | Measured fps | CPU ms/frame | CPU % of a core |"
            print(header)
            print("|" + "---|" * (header.count("|") - 1))
            sys.stdout.flush()
            for output, coding, method in cases:
                run_case(player, folder, movies[coding], output, coding, method, seconds)
            print()
            print("Load average after: %s" % load_average())
    finally:
        set_wine_config("default")
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
