#!/usr/bin/env python3
"""Walks the chunks of a session file on its own and prints what it finds.

Usage: session_chunk_walk.py FILE

Prints the form type, then one line per top-level chunk (id, size and,
for "cdhd" of 8 bytes, its two signed 32-bit values), each chunk taken to
end where its size says (no pad byte), then "left over: N" for the bytes of
the RIFF data that no chunk took and "after: N" for the bytes past it.
"""
import struct
import sys


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    riff, size, form = struct.unpack_from("<4sI4s", data, 0)
    if riff != b"RIFF":
        print("not RIFF")
        return 1
    end = 8 + size
    print("form", form.decode("latin-1"))
    at = 12
    while at + 8 <= end:
        cid, csize = struct.unpack_from("<4sI", data, at)
        line = "%s %d" % (cid.decode("latin-1"), csize)
        if cid == b"cdhd" and csize == 8:
            line += " %d %d" % struct.unpack_from("<ii", data, at + 8)
        print(line)
        at += 8 + csize
    print("left over: %d" % (end - at))
    print("after: %d" % (len(data) - end))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
