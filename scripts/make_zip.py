#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on the files' contents: the entries
in the order given, all under one folder, each with the same fixed time and
plain MS-DOS attributes, deflated; text files (.txt) get CR LF line ends.

    make_zip.py OUT.zip FOLDER NAME=PATH...

The zip is written beside OUT.zip and renamed over it when whole."""
import os
import sys
import zipfile

# 2000-01-01 00:00:00, in the zip's local-time fields.
FIXED_TIME = (2000, 1, 1, 0, 0, 0)
ARCHIVE_ATTRIBUTE = 0x20


def main(argv):
    if len(argv) < 4 or any("=" not in item for item in argv[3:]):
        sys.exit("usage: make_zip.py OUT.zip FOLDER NAME=PATH...")
    output, folder = argv[1], argv[2]
    partial = output + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for item in argv[3:]:
            name, path = item.split("=", 1)
            with open(path, "rb") as f:
                data = f.read()
            if name.lower().endswith(".txt"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            entry = zipfile.ZipInfo(folder + "/" + name, date_time=FIXED_TIME)
            entry.create_system = 0  # MS-DOS: the attributes are Windows'
            entry.external_attr = ARCHIVE_ATTRIBUTE
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)
    os.replace(partial, output)


if __name__ == "__main__":
    main(sys.argv)
