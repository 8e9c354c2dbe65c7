#!/usr/bin/env python3
"""Whether two WAV files hold the same sample data, byte for byte.

Usage: same-samples.py A.wav B.wav
Exit status 0 when they do; otherwise 1, with where they first differ.
Headers may differ (the hosts that write the files differ); only the data
chunks are compared.
"""
import struct
import sys


def samples(path):
    data = open(path, 'rb').read()
    i = 12
    while i + 8 <= len(data):
        chunk, size = data[i:i + 4], struct.unpack('<I', data[i + 4:i + 8])[0]
        if chunk == b'data':
            return data[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    sys.exit('no data chunk in ' + path)


a, b = samples(sys.argv[1]), samples(sys.argv[2])
if a != b:
    first = next((k for k in range(0, min(len(a), len(b)), 4) if a[k:k + 4] != b[k:k + 4]), None)
    where = first // 4 if first is not None else '-'
    sys.exit('differ: %d and %d bytes, first difference at sample %s' % (len(a), len(b), where))
