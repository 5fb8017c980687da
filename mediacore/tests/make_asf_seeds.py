#!/usr/bin/env python3
"""Writes the small seed files of the ASF header fuzz target into
fuzz_corpus/asf_header: hand-built headers with every object the reader takes
apart, and (when the ffmpeg program is there) the start of two real files."""
import os
import shutil
import struct
import subprocess
import tempfile
import uuid

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_corpus", "asf_header")


def guid(text):
    return uuid.UUID(text).bytes_le


HEADER = guid("75B22630-668E-11CF-A6D9-00AA0062CE6C")
DATA = guid("75B22636-668E-11CF-A6D9-00AA0062CE6C")
FILE_PROPERTIES = guid("8CABDCA1-A947-11CF-8EE4-00C00C205365")
STREAM_PROPERTIES = guid("B7DC0791-A9B7-11CF-8EE6-00C00C205365")
STREAM_BITRATES = guid("7BF875CE-468D-11D1-8D82-006097C9A2B2")
CONTENT = guid("75B22633-668E-11CF-A6D9-00AA0062CE6C")
EXTENDED_CONTENT = guid("D2D0A440-E307-11D2-97F0-00A0C95EA850")
EXTENSION = guid("5FBF03B5-A92E-11CF-8EE3-00C00C205365")
EXTENSION_RESERVED = guid("ABD3D211-A9BA-11CF-8EE6-00C00C205365")
METADATA = guid("C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA")
LIBRARY = guid("44231C94-9498-49D1-A141-1D134E457054")
ENCRYPTION = guid("2211B3FB-BD23-11D2-B4B7-00C04FB9DB4A")
AUDIO = guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B")


def obj(gid, body):
    return gid + struct.pack("<Q", 24 + len(body)) + body


def header(*children):
    body = b"".join(children)
    return HEADER + struct.pack("<QIBB", 30 + len(body), len(children), 1, 2) + body


def text(s):
    return s.encode("utf-16-le") + b"\0\0"


def file_properties(duration, preroll):
    return obj(FILE_PROPERTIES, b"\xab" * 16 + struct.pack("<QQQQQQIIII", 0, 0, 1, duration, duration,
                                                           preroll, 2, 100, 100, 64000))


def audio_stream(number, flags=0):
    fmt = struct.pack("<HHIIHHH", 0x161, 2, 44100, 8000, 371, 16, 0)
    return obj(STREAM_PROPERTIES, AUDIO + b"\0" * 16 + struct.pack("<QIIHI", 0, len(fmt), 0, number | flags, 0) + fmt)


def content(*texts):
    lengths = [len(text(t)) if t else 0 for t in texts]
    return obj(CONTENT, struct.pack("<5H", *lengths) + b"".join(text(t) for t in texts if t))


def extended(*descriptors):
    body = struct.pack("<H", len(descriptors))
    for name, kind, value in descriptors:
        body += struct.pack("<H", len(text(name))) + text(name) + struct.pack("<HH", kind, len(value)) + value
    return obj(EXTENDED_CONTENT, body)


def records(gid, *items):
    body = struct.pack("<H", len(items))
    for stream, name, kind, value in items:
        body += struct.pack("<HHHHI", 0, stream, len(text(name)), kind, len(value)) + text(name) + value
    return obj(gid, body)


def extension(*children):
    data = b"".join(children)
    return obj(EXTENSION, EXTENSION_RESERVED + struct.pack("<HI", 6, len(data)) + data)


data_object = obj(DATA, bytes(i % 251 for i in range(60)))
full = header(
    file_properties(20000000, 1500), audio_stream(1),
    obj(STREAM_BITRATES, struct.pack("<HHI", 1, 1, 64000)),
    content("Title", "Artist", "", "Comment", ""),
    extended(("WM/Genre", 0, text("Rock")), ("WM/MCDI", 1, b"\x01\x02\x03"), ("IsVBR", 2, struct.pack("<I", 0)),
             ("WM/Track", 3, struct.pack("<I", 4)), ("Q", 4, struct.pack("<Q", 9)), ("W", 5, struct.pack("<H", 2))),
    extension(records(METADATA, (0, "Flag", 2, struct.pack("<H", 1)), (1, "Other", 3, struct.pack("<I", 5))),
              records(LIBRARY, (0, "Id", 6, bytes(range(16))))))
seeds = {
    "full.asf": full + data_object,
    "bare.asf": header(file_properties(10000000, 0)) + data_object,
    "repeated.asf": header(extended(("A", 3, struct.pack("<I", 1))), extended(("B", 0, text("b"))),
                           extension(records(LIBRARY, (0, "C", 5, b"\x03\x00")),
                                     records(LIBRARY, (0, "D", 6, bytes(16))))),
    # A second Header Extension Object, smaller than the first.
    "two_extensions.asf": header(extension(records(METADATA, (0, "Flag", 2, struct.pack("<H", 1))),
                                           records(LIBRARY, (0, "C", 5, b"\x03\x00")), obj(DATA, bytes(200))),
                                 extension(records(METADATA, (0, "Late", 5, b"\x09\x00")))),
    "protected.asf": header(file_properties(1, 0), obj(ENCRYPTION, b"\0" * 8), audio_stream(2, 0x8000)),
}

os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)

# The header and the first bytes of files the ffmpeg program makes.
if shutil.which("ffmpeg"):
    with tempfile.TemporaryDirectory() as folder:
        for codec in ("wmav1", "wmav2"):
            song = os.path.join(folder, codec + ".wma")
            subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=duration=0.2",
                            "-c:a", codec, "-b:a", "32k", "-metadata", "title=T\u00e9", "-metadata",
                            "WM/Year=1999", song], check=True)
            with open(song, "rb") as f:
                start = f.read()
            size = struct.unpack("<Q", start[16:24])[0]
            with open(os.path.join(here, "ffmpeg_" + codec + ".asf"), "wb") as f:
                f.write(start[:size + 80])
