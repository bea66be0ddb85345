#!/usr/bin/python3
"""Writes an uncompressed AVI movie (24-bit RGB frames, optionally a 16-bit PCM
sound track) of a synthetic stereo scene, in any of the player's packings.

The scene: a checkered wall at screen depth and a striped disc that floats in
front of it (the disc is drawn a few pixels further right in the left eye's view
than in the right eye's, so on a stereo display it stands out of the screen) and
sways from side to side. Every view also carries a marker band along its left
edge that tells machines which view a row belongs to:

    left eye   blue = frame % 200, green = relative row, red = 255
    right eye  blue = 255, green = relative row, red = frame % 200

(with --frame-step N, frame * N takes the place of frame)

where "relative row" is (row within the view * 256) // view height. A 2D movie
is one left-eye view. The band is the leftmost eighth of the view's width.

Packings (frame size W x H):
    2d               one view, W x H
    shifted_ab       first view rows 0..h-1, a grey band of g = 5*H//100 rows,
                     second view below; h = (H - g) // 2
    pure_ab          first view rows 0..H/2-1, second view rows H/2..H-1
    pure_lr          first view columns 0..W/2-1, second view W/2..W-1
    pure_interlaced  first view on even rows, second view on odd rows
The first view is the left eye unless --first right is given.

Examples:
    make-movie.py --packing shifted_ab --size 640x480 --seconds 6 --audio demo.avi
    make-movie.py --packing 2d --size 160x120 --frames 250 --fps 25 count.avi
"""
import argparse
import math
import struct
import sys
from array import array

PACKINGS = ("2d", "shifted_ab", "pure_ab", "pure_lr", "pure_interlaced")

BAND_GREY = bytes((128, 128, 128))  # the SHIFTED_AB band between the views (B, G, R)
WALL_A = bytes((110, 90, 70))
WALL_B = bytes((70, 55, 40))
DISC_OUTER = bytes((30, 200, 250))  # yellow, with darker stripes
DISC_STRIPE = bytes((20, 120, 200))
DISC_RIM = bytes((10, 10, 10))

AUDIO_RATE = 22050
# Frame numbers are written as (frame * FRAME_STEP) % 200: a step above 1 keeps
# neighbouring frames apart after lossy coding (--frame-step).
FRAME_STEP = 1


def marker_pixel(eye, relative_row, frame):
    code = (frame * FRAME_STEP) % 200
    if eye == "left":
        return bytes((code, relative_row, 255))
    return bytes((255, relative_row, code))


class ViewPainter:
    """Draws one eye's view of the scene, row by row (BGR bytes, top row first)."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.band = max(2, width // 8)
        self.square = max(4, min(width, height) // 10)
        self.walls = []
        for phase in (0, 1):
            row = bytearray()
            for x in range(width):
                row += WALL_A if ((x // self.square) + phase) % 2 == 0 else WALL_B
            self.walls.append(bytes(row))
        self.radius_x = max(3, (width - self.band) // 6)
        self.radius_y = max(3, height // 4)
        self.disparity = max(2, width // 40)
        self.disc = {dy: self.disc_row(dy) for dy in range(-self.radius_y, self.radius_y + 1)}

    def disc_row(self, dy):
        """Bytes of the disc's row dy (from its centre), or None outside it."""
        ry, rx = self.radius_y, self.radius_x
        if abs(dy) > ry:
            return None
        half = int(rx * math.sqrt(max(0.0, 1.0 - (dy / ry) ** 2)))
        if half <= 0:
            return None
        row = bytearray()
        for dx in range(-half, half + 1):
            if half - abs(dx) < 2 or abs(dy) > ry - 2:
                row += DISC_RIM
            elif ((dx + rx) // max(2, rx // 4)) % 2:
                row += DISC_STRIPE
            else:
                row += DISC_OUTER
        return bytes(row)

    def rows(self, eye, frame, fps):
        w, h = self.width, self.height
        sway = (w - self.band) // 6
        centre_x = self.band + (w - self.band) // 2 + int(sway * math.sin(2 * math.pi * frame / (3 * fps)))
        centre_x += self.disparity // 2 if eye == "left" else -(self.disparity // 2)
        centre_y = h // 2
        out = []
        for r in range(h):
            row = bytearray(self.walls[(r // self.square) % 2])
            disc = self.disc.get(r - centre_y)
            if disc is not None:
                start = centre_x - len(disc) // 6
                lo, hi = max(start, self.band), min(start + len(disc) // 3, w)
                if lo < hi:
                    row[lo * 3:hi * 3] = disc[(lo - start) * 3:(hi - start) * 3]
            row[0:self.band * 3] = marker_pixel(eye, (r * 256) // h, frame) * self.band
            out.append(bytes(row))
        return out


class FramePacker:
    """Puts the views of one frame into the chosen packing."""

    def __init__(self, packing, width, height, first_eye):
        self.packing, self.width, self.height = packing, width, height
        self.first = first_eye
        self.second = "right" if first_eye == "left" else "left"
        w, h = width, height
        if packing == "2d":
            self.painters = [ViewPainter(w, h)]
        elif packing == "shifted_ab":
            self.gap = (5 * h) // 100
            self.view_height = (h - self.gap) // 2
            self.painters = [ViewPainter(w, self.view_height), ViewPainter(w, h - self.view_height - self.gap)]
        elif packing == "pure_ab":
            self.painters = [ViewPainter(w, h // 2), ViewPainter(w, h - h // 2)]
        elif packing == "pure_lr":
            self.painters = [ViewPainter(w // 2, h), ViewPainter(w - w // 2, h)]
        elif packing == "pure_interlaced":
            self.painters = [ViewPainter(w, (h + 1) // 2), ViewPainter(w, h // 2)]
        else:
            raise ValueError(packing)

    def rows(self, frame, fps):
        if self.packing == "2d":
            return self.painters[0].rows("left", frame, fps)
        a = self.painters[0].rows(self.first, frame, fps)
        b = self.painters[1].rows(self.second, frame, fps)
        if self.packing == "shifted_ab":
            return a + [BAND_GREY * self.width] * self.gap + b
        if self.packing == "pure_ab":
            return a + b
        if self.packing == "pure_lr":
            return [left + right for left, right in zip(a, b)]
        rows = []
        for i in range(self.height):
            rows.append(a[i // 2] if i % 2 == 0 else b[i // 2])
        return rows


def tone(total_samples):
    """A quiet 440 Hz tone with a short 880 Hz pip at the start of every second."""
    samples = array("h")
    for i in range(total_samples):
        t = i / AUDIO_RATE
        if (i % AUDIO_RATE) < AUDIO_RATE // 10:
            value = 0.25 * math.sin(2 * math.pi * 880 * t)
        else:
            value = 0.08 * math.sin(2 * math.pi * 440 * t)
        samples.append(int(value * 32767))
    if sys.byteorder != "little":
        samples.byteswap()
    return samples.tobytes()


def chunk_header(fourcc, size):
    return fourcc + struct.pack("<I", size)


def write_avi(path, packer, frames, fps, audio):
    w, h = packer.width, packer.height
    stride = (w * 3 + 3) & ~3
    frame_bytes = stride * h
    pad = bytes(stride - w * 3)

    audio_counts = []
    if audio:
        for i in range(frames):
            audio_counts.append((i + 1) * AUDIO_RATE // fps - i * AUDIO_RATE // fps)
        pcm = tone(sum(audio_counts))
    streams = 2 if audio else 1

    avih = struct.pack("<14I", round(1000000 / fps), frame_bytes * fps + (2 * AUDIO_RATE if audio else 0), 0,
                       0x10 | (0x100 if audio else 0), frames, 0, streams, frame_bytes, w, h, 0, 0, 0, 0)
    vstrh = b"vids" + b"DIB " + struct.pack("<IHHIIIIIIiI4h", 0, 0, 0, 0, 1, fps, 0, frames, frame_bytes, -1, 0,
                                            0, 0, w, h)
    vstrf = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, frame_bytes, 0, 0, 0, 0)
    strl_video = b"strl" + chunk_header(b"strh", len(vstrh)) + vstrh + chunk_header(b"strf", len(vstrf)) + vstrf
    hdrl = b"hdrl" + chunk_header(b"avih", len(avih)) + avih
    hdrl += chunk_header(b"LIST", len(strl_video)) + strl_video
    if audio:
        biggest = max(audio_counts) * 2
        astrh = b"auds" + struct.pack("<4sIHHIIIIIIiI4h", bytes(4), 0, 0, 0, 0, 2, 2 * AUDIO_RATE, 0,
                                      sum(audio_counts), biggest, -1, 2, 0, 0, 0, 0)
        astrf = struct.pack("<HHIIHHH", 1, 1, AUDIO_RATE, 2 * AUDIO_RATE, 2, 16, 0)
        strl_audio = b"strl" + chunk_header(b"strh", len(astrh)) + astrh + chunk_header(b"strf", len(astrf)) + astrf
        hdrl += chunk_header(b"LIST", len(strl_audio)) + strl_audio

    index = []
    with open(path, "wb") as f:
        f.write(chunk_header(b"RIFF", 0) + b"AVI ")
        f.write(chunk_header(b"LIST", len(hdrl)) + hdrl)
        movi_list = f.tell()
        f.write(chunk_header(b"LIST", 0) + b"movi")
        movi_base = movi_list + 8  # index offsets count from the "movi" tag
        sample = 0
        for i in range(frames):
            rows = packer.rows(i, fps)
            index.append((b"00db", f.tell() - movi_base, frame_bytes))
            f.write(chunk_header(b"00db", frame_bytes))
            f.write(b"".join(row + pad for row in reversed(rows)))  # DIBs are stored bottom-up
            if audio:
                size = audio_counts[i] * 2
                index.append((b"01wb", f.tell() - movi_base, size))
                f.write(chunk_header(b"01wb", size))
                f.write(pcm[sample * 2:sample * 2 + size])
                sample += audio_counts[i]
        movi_end = f.tell()
        f.write(chunk_header(b"idx1", 16 * len(index)))
        for fourcc, offset, size in index:
            f.write(fourcc + struct.pack("<III", 0x10, offset, size))
        end = f.tell()
        f.seek(4)
        f.write(struct.pack("<I", end - 8))
        f.seek(movi_list + 4)
        f.write(struct.pack("<I", movi_end - movi_list - 8))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output", help="the AVI file to write")
    parser.add_argument("--packing", choices=PACKINGS, default="shifted_ab")
    parser.add_argument("--size", default="320x240", help="frame size WxH (default 320x240)")
    parser.add_argument("--fps", type=int, default=25, help="frames per second (default 25)")
    length = parser.add_mutually_exclusive_group()
    length.add_argument("--frames", type=int, help="number of frames")
    length.add_argument("--seconds", type=float, help="length in seconds (default 2)")
    parser.add_argument("--first", choices=("left", "right"), default="left",
                        help="which eye's view comes first in the frame (default left)")
    parser.add_argument("--audio", action="store_true", help="add a 22050 Hz 16-bit mono PCM track")
    parser.add_argument("--frame-step", type=int, default=1,
                        help="write the frame number times this in the marker (default 1), so that frames "
                             "stay apart in a movie that is compressed afterwards")
    args = parser.parse_args(argv)

    try:
        w, h = (int(v) for v in args.size.lower().split("x"))
    except ValueError:
        parser.error("--size must look like 320x240")
    if not (8 <= w <= 4096 and 8 <= h <= 4096):
        parser.error("--size: width and height must be between 8 and 4096")
    if not 1 <= args.fps <= 1000:
        parser.error("--fps must be between 1 and 1000")
    frames = args.frames if args.frames is not None else max(1, round((args.seconds or 2.0) * args.fps))
    if frames < 1:
        parser.error("--frames must be at least 1")
    if not 1 <= args.frame_step <= 199:
        parser.error("--frame-step must be between 1 and 199")
    global FRAME_STEP
    FRAME_STEP = args.frame_step
    stride = (w * 3 + 3) & ~3
    if stride * h * frames > 1000 * 1024 * 1024:
        parser.error("the movie would be larger than an AVI file can hold (1 GB)")
    write_avi(args.output, FramePacker(args.packing, w, h, args.first), frames, args.fps, args.audio)


if __name__ == "__main__":
    main(sys.argv[1:])
