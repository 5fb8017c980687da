#!/usr/bin/env python3
"""Writes the seed files of the session file fuzz target into fuzz_corpus/session_file.

Records are zero-filled with the few fields the session reads set: the
path, the title, the length and trims, the levels, the serial and the state
(version 5), or the path that the older layouts begin with.
"""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_corpus", "session_file")

RECORD_BYTES = {0: 6136, 1: 6136, 2: 6136, 3: 9016, 4: 6179, 5: 6175}


def chunk(cid, data, size=None):
    # Session files have no pad byte after odd-sized data.
    return cid + struct.pack("<I", len(data) if size is None else size) + data


def riff(form, *children):
    return chunk(b"RIFF", form + b"".join(children))


def header(version, count, size=8):
    return chunk(b"cdhd", struct.pack("<ii", version, count).ljust(size, b"\0")[:size])


def record(path, serial=1, state=3, peak=0.5, volume=1.0, version=5):
    out = bytearray(RECORD_BYTES[version])
    if version < 4:
        out[0:len(path)] = path
        return bytes(out)
    out[0:5] = b"title"
    struct.pack_into("<ii", out, 5436, -1, -1)
    out[5453:5453 + len(path)] = path
    struct.pack_into("<d", out, 6123, peak)
    struct.pack_into("<iiiii", out, 6131, 3000, 0, 3000, 100, 2900)
    struct.pack_into("<d", out, 6151, volume)
    struct.pack_into("<iii", out, 6159, 1, serial, state)
    return bytes(out[:RECORD_BYTES[version]])


def session(version, count, records, before=b"", between=b""):
    return riff(b"cdss", before, header(version, count), between, chunk(b"cdtr", records))


def main():
    os.makedirs(here, exist_ok=True)
    one = record(b"/music/one.mp3", serial=5)
    two = one + record(b"C:\\Music\\two.mp3", serial=5, state=7)
    good = session(5, 2, two)
    seeds = {
        "good": good,
        "empty": session(5, 0, b""),
        "unknown_chunks": session(5, 1, one, chunk(b"junk", b"abc"), chunk(b"xtra", b"")),
        "version0": session(0, 1, record(b"/music/old.mp3", version=0)),
        "version3": session(3, 1, record(b"/music/old.mp3", version=3)),
        "version4": session(4, 1, record(b"/music/old.mp3", version=4)),
        "version1": session(1, 1, record(b"/music/old.mp3", version=1)),
        "version6": session(6, 2, two),
        "huge_count": session(5, 0x7FFFFFFF, one),
        "three_claimed_two_present": session(5, 3, two),
        "header7": riff(b"cdss", header(5, 2, 7), chunk(b"cdtr", two)),
        "header12": riff(b"cdss", header(5, 2, 12), chunk(b"cdtr", two)),
        "records_first": riff(b"cdss", chunk(b"cdtr", two), header(5, 2)),
        "cut_after_record": good[:36 + 6175],
        "cut_inside_record": good[:36 + 6175 + 100],
        "cut_35": good[:35],
        "zero_size_records": riff(b"cdss", header(5, 2), chunk(b"cdtr", two, size=0)),
        "extreme_serials": session(5, 2, record(b"/music/max.mp3", serial=0x7FFFFFFF)
                                   + record(b"/music/negative.mp3", serial=-5)),
        "nan_levels": session(5, 1, record(b"/music/nan.mp3", peak=float("nan"), volume=float("inf"))),
    }
    for name, data in seeds.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
