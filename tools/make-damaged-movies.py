#!/usr/bin/python3
"""Writes damaged copies of good movies: the corpus the player must survive.

    make-damaged-movies.py corpus GOOD.avi GOOD.mp4 OUT_DIR
        writes the fixed set of damaged movies (names below) into OUT_DIR
    make-damaged-movies.py fuzz OUT_DIR --seed N --count K GOOD.avi [GOOD.mp4...]
        writes K random mutants of the given AVI (or other) movies into OUT_DIR,
        named fuzz-<seed>-<i>.<ext>; the same seed always gives the same files.
        Each line printed names a file and the mutations applied to it.

The fixed set (from GOOD.avi, an uncompressed AVI as tools/make-movie.py writes
it, and GOOD.mp4, an MP4 whose 'moov' box comes after its media data):

    cut_10.avi cut_50.avi cut_90.avi   the file cut after 10, 50, 90 % of its bytes
    size_0.avi                         frame size 0 x 0 in the headers
    size_1x1.avi                       frame size 1 x 1 in the headers (the data stays)
    size_16000.avi                     frame size 16000 x 16000 in the headers
    fps_0.avi                          frame rate 0 (stream rate 0, main header 0 us)
    frames_more.avi                    frame count 100 times larger than the data
    length_2g.avi                      the video stream's length 2^31
    no_index.avi                       the idx1 chunk removed
    index_past_end.avi                 every idx1 entry points past the end of the file
    bytes_changed.avi                  200 bytes of the frame data changed (fixed seed)
    no_stream_header.avi               the video stream's header (strh) dropped, the list
                                       sizes left as they were (found by fuzz-movies.sh)
    empty.avi                          no bytes at all
    text.avi                           a text file named .avi
    moov_cut.mp4                       the MP4 cut in the middle of its 'moov' box

Only the standard library is used.
"""
import argparse
import os
import random
import struct
import sys

# --- RIFF/AVI structure --------------------------------------------------------


def walk_chunks(data, start, end, found, depth=0):
    """Lists (fourcc, header offset, payload offset, payload size, list type)
    of every chunk between start and end, descending into LIST and RIFF."""
    at = start
    while at + 8 <= end:
        fourcc = data[at:at + 4]
        size = struct.unpack_from("<I", data, at + 4)[0]
        payload = at + 8
        kind = data[payload:payload + 4] if fourcc in (b"RIFF", b"LIST") else None
        found.append((fourcc, at, payload, size, kind))
        if kind is not None and depth < 8:
            walk_chunks(data, payload + 4, min(end, payload + size), found, depth + 1)
        at = payload + size + (size & 1)
    return found


def chunks(data):
    return walk_chunks(data, 0, len(data), [])


def first(data, fourcc, kind=None):
    for c in chunks(data):
        if c[0] == fourcc and (kind is None or c[4] == kind):
            return c
    raise ValueError("no %r chunk" % fourcc)


def video_stream_header(data):
    """Payload offsets of the video stream's strh and strf."""
    found = chunks(data)
    for i, c in enumerate(found):
        if c[0] == b"strh" and data[c[2]:c[2] + 4] == b"vids":
            for d in found[i + 1:]:
                if d[0] == b"strf":
                    return c[2], d[2]
    raise ValueError("no video stream header")


# Offsets inside the payloads (AVIMAINHEADER, AVISTREAMHEADER, BITMAPINFOHEADER).
AVIH_MICROSEC_PER_FRAME, AVIH_TOTAL_FRAMES, AVIH_WIDTH, AVIH_HEIGHT = 0, 16, 32, 36
STRH_SCALE, STRH_RATE, STRH_LENGTH, STRH_SUGGESTED_BUFFER, STRH_FRAME = 20, 24, 32, 36, 48
STRF_WIDTH, STRF_HEIGHT, STRF_SIZE_IMAGE = 4, 8, 20


def put32(data, offset, value):
    struct.pack_into("<I", data, offset, value & 0xFFFFFFFF)


def get32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def set_frame_size(data, width, height):
    avih = first(data, b"avih")[2]
    strh, strf = video_stream_header(data)
    put32(data, avih + AVIH_WIDTH, width)
    put32(data, avih + AVIH_HEIGHT, height)
    struct.pack_into("<4h", data, strh + STRH_FRAME, 0, 0, min(width, 32767), min(height, 32767))
    put32(data, strf + STRF_WIDTH, width)
    put32(data, strf + STRF_HEIGHT, height)
    put32(data, strf + STRF_SIZE_IMAGE, ((width * 3 + 3) & ~3) * height)


def set_frame_rate_zero(data):
    avih = first(data, b"avih")[2]
    strh, _ = video_stream_header(data)
    put32(data, avih + AVIH_MICROSEC_PER_FRAME, 0)
    put32(data, strh + STRH_RATE, 0)


def set_frame_count(data, count):
    avih = first(data, b"avih")[2]
    strh, _ = video_stream_header(data)
    put32(data, avih + AVIH_TOTAL_FRAMES, count)
    put32(data, strh + STRH_LENGTH, count)


def set_stream_length(data, length):
    strh, _ = video_stream_header(data)
    put32(data, strh + STRH_LENGTH, length)


def remove_index(data):
    idx1 = first(data, b"idx1")
    cut = data[:idx1[1]] + data[idx1[2] + idx1[3]:]
    put32(cut, 4, len(cut) - 8)
    return cut


def index_past_end(data):
    idx1 = first(data, b"idx1")
    for entry in range(idx1[2], idx1[2] + idx1[3] - 15, 16):
        put32(data, entry + 8, len(data) + 0x100000 + get32(data, entry + 8))


def drop_video_stream_header(data):
    for c in chunks(data):
        if c[0] == b"strh" and data[c[2]:c[2] + 4] == b"vids":
            return data[:c[1]] + data[c[2] + c[3]:]
    raise ValueError("no video stream header")


def frame_data_ranges(data):
    """(start, end) of every frame's bytes in the movi list."""
    return [(c[2], min(len(data), c[2] + c[3])) for c in chunks(data)
            if c[0][2:4] in (b"db", b"dc") and c[0][:2].isdigit() and c[2] < len(data)]


def change_frame_bytes(data, count, rng):
    ranges = frame_data_ranges(data)
    total = sum(e - s for s, e in ranges)
    for _ in range(count):
        pick = rng.randrange(total)
        for s, e in ranges:
            if pick < e - s:
                data[s + pick] ^= rng.randrange(1, 256)
                break
            pick -= e - s


def mp4_boxes(data):
    at, boxes = 0, []
    while at + 8 <= len(data):
        size = struct.unpack_from(">I", data, at)[0]
        kind = data[at + 4:at + 8]
        if size == 1 and at + 16 <= len(data):
            size = struct.unpack_from(">Q", data, at + 8)[0]
        elif size == 0:
            size = len(data) - at
        if size < 8:
            break
        boxes.append((kind, at, size))
        at += size
    return boxes


MP4_CONTAINERS = (b"moov", b"trak", b"mdia", b"minf", b"stbl", b"edts", b"dinf", b"udta")


def mp4_all_boxes(data, start=0, end=None, depth=0):
    """(kind, offset, size) of every box, descending into the usual containers."""
    end = len(data) if end is None else end
    found = []
    for kind, at, size in mp4_boxes(data[start:end]):
        found.append((kind, start + at, size))
        if kind in MP4_CONTAINERS and depth < 8:
            found += mp4_all_boxes(data, start + at + 8, min(end, start + at + size), depth + 1)
    return found


def moov_cut(data):
    for kind, at, size in mp4_boxes(data):
        if kind == b"moov":
            return data[:at + size // 2]
    raise ValueError("no moov box")


# --- the fixed corpus -------------------------------------------------------------

TEXT = b"This is not a movie.\r\nIt is a text file that someone named .avi.\r\n" * 4


def corpus(good_avi, good_mp4):
    avi = bytes(open(good_avi, "rb").read())
    mp4 = bytes(open(good_mp4, "rb").read())

    def changed(change, *args):
        copy = bytearray(avi)
        result = change(copy, *args)
        return bytes(result if result is not None else copy)

    movies = {}
    for percent in (10, 50, 90):
        movies["cut_%d.avi" % percent] = avi[:len(avi) * percent // 100]
    movies["size_0.avi"] = changed(set_frame_size, 0, 0)
    movies["size_1x1.avi"] = changed(set_frame_size, 1, 1)
    movies["size_16000.avi"] = changed(set_frame_size, 16000, 16000)
    movies["fps_0.avi"] = changed(set_frame_rate_zero)
    frames = get32(avi, first(avi, b"avih")[2] + AVIH_TOTAL_FRAMES)
    movies["frames_more.avi"] = changed(set_frame_count, frames * 100)
    movies["length_2g.avi"] = changed(set_stream_length, 1 << 31)
    movies["no_index.avi"] = changed(remove_index)
    movies["index_past_end.avi"] = changed(index_past_end)
    movies["bytes_changed.avi"] = changed(change_frame_bytes, 200, random.Random(20261210))
    movies["no_stream_header.avi"] = changed(drop_video_stream_header)
    movies["empty.avi"] = b""
    movies["text.avi"] = TEXT
    movies["moov_cut.mp4"] = moov_cut(mp4)
    return movies


# --- random mutants ------------------------------------------------------------------

# Header fields a mutant may lie in: (chunk, offset in its payload).
def header_fields(data):
    fields = []
    try:
        avih = first(data, b"avih")[2]
        fields += [avih + o for o in range(0, 56, 4)]
    except ValueError:
        pass
    for c in chunks(data):
        if c[0] == b"strh":
            fields += [c[2] + o for o in range(8, min(c[3], 56), 4)]
        elif c[0] == b"strf":
            fields += [c[2] + o for o in range(0, min(c[3], 40), 4)]
    return [f for f in fields if f + 4 <= len(data)]


INTERESTING = (0, 1, 2, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 8192, 8193, 16000, 0x7FFFFFFF,
               0x80000000, 0xFFFFFFFF, 0xFFFFFFFE)


def mutate(source, rng):
    data = bytearray(source)
    applied = []
    for _ in range(rng.randint(1, 3)):
        kind = rng.choice(("flip", "flip", "cut", "field", "field", "chunk_size", "index", "drop_chunk"))
        items = chunks(data) if data.startswith(b"RIFF") else []
        if kind == "flip" and data:
            n = rng.choice((1, 4, 16, 200))
            ranges = frame_data_ranges(data) if rng.random() < 0.5 else [(0, len(data))]
            ranges = [r for r in ranges if r[1] > r[0]] or [(0, len(data))]
            for _ in range(n):
                s, e = rng.choice(ranges)
                data[rng.randrange(s, e)] ^= rng.randrange(1, 256)
            applied.append("flip %d" % n)
        elif kind == "cut" and data:
            at = rng.randrange(len(data))
            del data[at:]
            applied.append("cut at %d" % at)
        elif kind == "field":
            fields = header_fields(data)
            if fields:
                f = rng.choice(fields)
                value = rng.choice(INTERESTING) if rng.random() < 0.8 else rng.getrandbits(32)
                put32(data, f, value)
                applied.append("field @%d = %#x" % (f, value))
        elif kind == "chunk_size" and not data.startswith(b"RIFF"):
            boxes = mp4_all_boxes(bytes(data))
            if boxes:
                kind_, at, size = rng.choice(boxes)
                value = rng.choice(INTERESTING + (size + 1, size - 1, size * 2, len(data)))
                struct.pack_into(">I", data, at, value & 0xFFFFFFFF)
                applied.append("size of box %s @%d = %#x" % (kind_.decode("latin-1"), at, value & 0xFFFFFFFF))
        elif kind == "drop_chunk" and not data.startswith(b"RIFF"):
            boxes = mp4_all_boxes(bytes(data))
            if boxes:
                kind_, at, size = rng.choice(boxes)
                del data[at:at + size]
                applied.append("dropped box %s @%d" % (kind_.decode("latin-1"), at))
        elif kind == "chunk_size" and items:
            c = rng.choice(items)
            value = rng.choice(INTERESTING + (c[3] + 1, c[3] - 1, c[3] * 2, len(data)))
            put32(data, c[1] + 4, value)
            applied.append("size of %s @%d = %#x" % (c[0].decode("latin-1"), c[1], value & 0xFFFFFFFF))
        elif kind == "index":
            idx = [c for c in items if c[0] == b"idx1"]
            if idx and idx[0][3] >= 16:
                c = idx[0]
                entry = c[2] + 16 * rng.randrange(c[3] // 16)
                if entry + 16 <= len(data):
                    o = rng.choice((4, 8, 12))
                    value = rng.choice(INTERESTING)
                    put32(data, entry + o, value)
                    applied.append("idx1 entry @%d +%d = %#x" % (entry, o, value))
        elif kind == "drop_chunk" and items:
            c = rng.choice(items)
            end = min(len(data), c[2] + c[3])
            del data[c[1]:end]
            applied.append("dropped %s @%d" % (c[0].decode("latin-1"), c[1]))
    return bytes(data), applied


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="mode", required=True)
    c = sub.add_parser("corpus", help="the fixed set of damaged movies")
    c.add_argument("avi")
    c.add_argument("mp4")
    c.add_argument("out_dir")
    f = sub.add_parser("fuzz", help="random mutants")
    f.add_argument("out_dir")
    f.add_argument("--seed", type=int, required=True)
    f.add_argument("--count", type=int, default=10)
    f.add_argument("sources", nargs="+")
    args = parser.parse_args(argv)

    os.makedirs(args.out_dir, exist_ok=True)
    if args.mode == "corpus":
        for name, data in corpus(args.avi, args.mp4).items():
            with open(os.path.join(args.out_dir, name), "wb") as out:
                out.write(data)
        return
    rng = random.Random(args.seed)
    sources = [(path, open(path, "rb").read()) for path in args.sources]
    for i in range(args.count):
        path, data = rng.choice(sources)
        mutant, applied = mutate(data, rng)
        name = "fuzz-%d-%d%s" % (args.seed, i, os.path.splitext(path)[1])
        with open(os.path.join(args.out_dir, name), "wb") as out:
            out.write(mutant)
        print("%s\t%s\t%s" % (name, os.path.basename(path), "; ".join(applied) or "unchanged"))


if __name__ == "__main__":
    main(sys.argv[1:])
