#!/usr/bin/env python3
"""Writes the small seed files of the sound cache, sound group and WAV load fuzz
targets into the fuzz_corpus/ of peaks/tests, sound/tests and load/tests, from the file
layouts the readers take. A few seeds each: every kind of input once, and the
damaged files the readers must refuse."""
import os
import struct

tonecore = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# Each target's corpus lies in the tests of the folder whose code it reads.
corpus_folder = {"sound_cache": "peaks", "sound_group": "sound", "wav_load": "load"}
mpeg_seed = os.path.join(tonecore, "mpeg", "tests", "fuzz_corpus",
                         "mpeg_stream", "mpeg1_joint_info.bin")


def write(folder, name, data):
    path = os.path.join(tonecore, corpus_folder[folder], "tests", "fuzz_corpus", folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as out:
        out.write(data)


def chunk(cid, data):
    out = cid + struct.pack("<I", len(data)) + data
    return out + b"\0" if len(data) % 2 else out


def lst(kind, *children):
    return chunk(b"LIST", kind + b"".join(children))


def riff(form, *children):
    return chunk(b"RIFF", form + b"".join(children))


# Peak files: length, ms per peak, count, the peaks, then seven fact words.
def peaks(length, ms, values, count=None):
    head = struct.pack("<iII", length, ms, len(values) if count is None else count)
    return head + bytes(values) + struct.pack("<7i", 200, 180, 10, length - 10, 0, 0, 0)


def seek_map(pairs):
    return b"".join(struct.pack("<II", value, key) for value, key in pairs)


def sound_cache():
    # The first byte picks the reader: 0 peaks proved, 1 peaks whole, 2 a
    # rate display, 3 a seek map.
    ramp = [i * 7 % 256 for i in range(120)]
    write("sound_cache", "peaks_proved.bin", b"\0" + peaks(1200, 10, ramp))
    write("sound_cache", "peaks_whole.bin", b"\1" + peaks(1200, 10, ramp))
    write("sound_cache", "peaks_streamed.bin", b"\1" + peaks(9000, 1, [i % 200 for i in range(9000)]))
    write("sound_cache", "rate_display.bin", b"\2" + peaks(400, 20, [128] * 20))
    write("sound_cache", "peaks_ms_2_31.bin", b"\1" + peaks(1200, 1 << 31, ramp[:4]))
    write("sound_cache", "seek_map.bin", b"\3" + seek_map([(417 * i, 4608 * i) for i in range(40)]))
    write("sound_cache", "seek_map_falling.bin", b"\3" + seek_map([(i, 5000 - i) for i in range(500)]))


def atom(offset, name, length=0):
    info = name.ljust(512, b"\0")
    body = struct.pack("<iI", length, offset) + info + struct.pack("<III", 0x12345679, 0, 0) + b"\0" * 52
    return chunk(b"atom", body)


def group(offset, name, members, count=None):
    info = b"notes".ljust(1088, b"\0") + struct.pack("<II", 0x1234567A, 0) + struct.pack("<d", 0.0)
    info = info.ljust(2152, b"\0")
    return lst(b"sgrp", atom(offset, name), chunk(b"sgdt", struct.pack("<I", len(members) if count is None else count)),
               chunk(b"sgif", info), *members)


def sound(offset, reference, length=500):
    return lst(b"sndc", atom(offset, b"sound", length), chunk(b"sref", reference.ljust(260, b"\0")))


def sound_group():
    write("sound_group", "nested.riff", riff(b"sgrp", group(0, b"session", [
        group(0, b"side a", []), group(2000, b"side b", [group(2000, b"b1", []), group(2500, b"b2", [])])])))
    write("sound_group", "sound_references.riff", riff(b"sgrp", group(0, b"songs", [
        sound(0, b"missing.wav"), sound(700, b"/nonexistent/song.wav"), sound(900, b"\\sub\\song.wav")])))
    # A group far along the time line with members far before it: their
    # places summed with its own leave the 32-bit range.
    write("sound_group", "far_along.riff", riff(b"sgrp", group(0x73000000, b"g", [
        group(0, b"early", []), group(0, b"early", []), group(0x7fffffff, b"late", [])])))
    write("sound_group", "negative_place.riff", riff(b"sgrp", group(0, b"g", [
        group(0x80000000, b"negative", []), group(300, b"kept", [])])))


def fmt(tag, channels, rate, bits, block_align, avg, extension=b""):
    body = struct.pack("<HHIIHH", tag, channels, rate, avg, block_align, bits)
    return chunk(b"fmt ", body + struct.pack("<H", len(extension)) + extension)


def wave(format_chunk, data):
    return riff(b"WAVE", format_chunk, chunk(b"data", data))


def noise(n, seed=1):
    out = bytearray()
    x = seed
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0x7fffffff
        out.append(x >> 16 & 0xff)
    return bytes(out)


def wav_load():
    write("wav_load", "pcm16_stereo.wav", wave(fmt(1, 2, 44100, 16, 4, 176400), noise(4000)))
    write("wav_load", "pcm8_mono.wav", wave(fmt(1, 1, 22050, 8, 1, 22050), noise(2000, 2)))
    write("wav_load", "alaw.wav", wave(fmt(6, 1, 8000, 8, 1, 8000), noise(1600, 3)))
    write("wav_load", "mulaw_stereo.wav", wave(fmt(7, 2, 8000, 8, 2, 16000), noise(1600, 4)))
    # IMA ADPCM: 4 bits, blocks of 256 bytes per channel, samples per block
    # in the extension.
    write("wav_load", "ima_adpcm.wav", wave(fmt(0x11, 1, 22050, 4, 256, 11100, struct.pack("<H", 505)), noise(1024, 5)))
    # Microsoft ADPCM: samples per block, then the seven standard predictor
    # coefficient pairs of the format.
    coefficients = [(256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208), (392, -232)]
    extension = struct.pack("<HH", 500, len(coefficients)) + b"".join(struct.pack("<hh", *c) for c in coefficients)
    write("wav_load", "ms_adpcm_stereo.wav", wave(fmt(2, 2, 22050, 4, 512, 22311, extension), noise(2048, 6)))
    # GSM 6.10: blocks of 65 bytes for 320 samples.
    write("wav_load", "gsm.wav", wave(fmt(0x31, 1, 8000, 0, 65, 1625, struct.pack("<H", 320)), noise(65 * 8, 7)))
    # MPEG layer 3 in WAV: the 12-byte extension (id, flags, block size,
    # frames per block, codec delay), then real frames.
    with open(mpeg_seed, "rb") as f:
        frames = f.read()[1:]
    extension = struct.pack("<HIHHH", 1, 2, 417, 1, 1393)
    write("wav_load", "mpeg_layer3.wav", wave(fmt(0x55, 2, 44100, 0, 1, 16000, extension), frames))
    write("wav_load", "unknown_tag.wav", wave(fmt(0x1234, 1, 8000, 8, 1, 8000), noise(100, 8)))


sound_cache()
sound_group()
wav_load()
