#!/usr/bin/env python3
"""Writes the small seed files of the RIFF fuzz target into fuzz_corpus/riff."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_corpus", "riff")


def chunk(cid, data, size=None, pad=False):
    out = cid + struct.pack("<I", len(data) if size is None else size) + data
    return out + b"\0" if pad and len(data) % 2 else out


def lst(kind, *children):
    return chunk(b"LIST", kind + b"".join(children))


def riff(form, *children, size=None):
    return chunk(b"RIFF", form + b"".join(children), size)


fmt = struct.pack("<HHIIHHH", 1, 2, 44100, 176400, 4, 16, 0)
samples = bytes(i % 251 for i in range(64))
seeds = {
    "wave.riff": riff(b"WAVE", chunk(b"fmt ", fmt), chunk(b"data", samples)),
    "info_padded.riff": riff(b"WAVE", chunk(b"fmt ", fmt[:16]),
                             chunk(b"LIST", b"INFO" + chunk(b"INAM", b"abcde", pad=True), pad=True),
                             chunk(b"data", samples[:7], pad=True)),
    "crashed.riff": riff(b"WAVE", chunk(b"fmt ", fmt), chunk(b"data", b"", 0) + samples, size=0),
    "nested.riff": riff(b"sgrp", lst(b"sgrp", chunk(b"atom", samples[:12]),
                                     lst(b"sndc", chunk(b"smap", samples[:9]), chunk(b"path", b"/a.wav"))),
                        chunk(b"sgif", b"z")),
    "hostile.riff": riff(b"WAVE", chunk(b"abcd", b"1234", 0xFFFFFFF8), chunk(b"data", b"zz")),
}
deep = chunk(b"leaf", b"x")
for _ in range(52):
    deep = lst(b"nest", deep)
seeds["deep.riff"] = riff(b"deep", deep)

os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
