#!/usr/bin/env python3
"""Writes the small seed files of the atom and map fuzz target into fuzz_corpus/atom_map."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_corpus", "atom_map")


def chunk(cid, data, size=None):
    out = cid + struct.pack("<I", len(data) if size is None else size) + data
    return out + b"\0" if len(data) % 2 else out


def lst(kind, *children):
    return chunk(b"LIST", kind + b"".join(children))


def riff(form, *children):
    return chunk(b"RIFF", form + b"".join(children))


def event(kind, time, data):
    return struct.pack("<iiI", kind, time, len(data)) + data


def point(kind, time, value):
    return event(kind, time, struct.pack("<d", value))


def smap(*events, count=None):
    return chunk(b"smap", struct.pack("<I", len(events) if count is None else count) + b"".join(events))


def default_map(length):
    return [point(2, 0, 1.0), point(1, 0, 0.0), point(0, 0, 1.0),
            point(0, length, 1.0), point(1, length, 0.0), point(2, length, 1.0)]


def atom(length, offset, name, magic=0x12345679, start=0, flags=0):
    info = name.ljust(512, b"\0")
    return chunk(b"atom", struct.pack("<iI", length, offset) + info +
                 struct.pack("<III", magic, start, flags) + bytes(52))


seeds = {
    "atom_default.riff": riff(b"sgrp", atom(1000, 0, b"one"), smap(*default_map(1000))),
    "atom_old_magic.riff": riff(b"sgrp", atom(3000, 250, b"old", 0x12345678, 77, 3), smap()),
    "tree.riff": riff(b"sgrp", lst(b"sgrp", atom(4000, 0, b"root"), smap(*default_map(4000)),
                                   lst(b"sndc", atom(1500, 500, b"child", flags=1),
                                       smap(point(0, 0, 0.5), point(0, 700, 0.1), point(1, 0, -0.75),
                                            point(2, 0, 2.0), point(2, 1500, 0.5), event(12, 40, b"odd"))))),
    "maps.riff": riff(b"maps", smap(point(2, 0, 1.0), point(2, 500, 0.0), point(2, 1000, 4.0),
                                    point(0, -100, 1.0), point(0, 2147483000, 0.0)),
                      smap(point(0, 0, 1.0), point(0, 0, 0.25), point(1, 100, 0.9), point(1, 200, -0.9))),
    "hostile.riff": riff(b"maps", smap(point(0, 0, 1.0), event(0, 5, b"abcd"), count=0xFFFFFFFF),
                         atom(-5, 0xFFFFFFFF, b"x" * 512), chunk(b"smap", b"\1\0\0\0\0\0\0\0\0\0\0\0\xff\xff\xff\x7f")),
}

os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
