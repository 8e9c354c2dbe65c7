#!/usr/bin/env python3
"""Writes a zip of a folder's files that is the same bytes on every run.

    make-zip.py FOLDER ZIP

Entries are the files' paths below FOLDER, sorted, each dated
SOURCE_DATE_EPOCH (in UTC; zip has no earlier date than 1980) and made as on
Windows, with no owners or Unix modes, so that unpacking gives the user's
own defaults.
"""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    folder, archive = sys.argv[1:]
    epoch = max(int(os.environ.get('SOURCE_DATE_EPOCH', '0')), 315532800)  # 1980-01-01
    date_time = time.gmtime(epoch)[:6]
    paths = sorted(os.path.relpath(os.path.join(root, name), folder)
                   for root, _, names in os.walk(folder) for name in names)
    with zipfile.ZipFile(archive, 'w') as out:
        for path in paths:
            entry = zipfile.ZipInfo(path.replace(os.sep, '/'), date_time)
            entry.create_system = 0
            entry.external_attr = 0
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, path), 'rb') as data:
                out.writestr(entry, data.read(), compresslevel=9)


if __name__ == '__main__':
    main()
