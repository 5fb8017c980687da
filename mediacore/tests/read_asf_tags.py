#!/usr/bin/python3
# Prints the attributes of an ASF file as an independent reader (mutagen)
# sees them, one per line: name, value type number, value. Texts are printed
# as UTF-8 hex, byte arrays and GUIDs as hex, numbers and flags in decimal.
import sys

import mutagen.asf

song = mutagen.asf.ASF(sys.argv[1])
for name, values in song.tags.items():
    for attribute in values:
        value = attribute.value
        if isinstance(value, str):
            text = value.encode("utf-8").hex()
        elif isinstance(value, (bytes, bytearray)):
            text = bytes(value).hex()
        else:
            text = str(int(value))
        print("%s\t%d\t%s" % (name, attribute.TYPE, text))
