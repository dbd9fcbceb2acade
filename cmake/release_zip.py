#!/usr/bin/env python3
"""Writes the release archive so that the same files give the same bytes, on any machine at any
time (with the same zlib), and its SHA-256 beside it as sha256sum prints it (ZIP.sha256).

    release_zip.py ZIP FOLDER YYYY-MM-DD FILE...

Each FILE goes in, in the order given, as FOLDER/its name, dated that day at midnight: no file
time, owner, host system or time zone of the build reaches the archive.
"""

import hashlib
import os
import sys
import zipfile


def write_archive(path, folder, day, files):
    with zipfile.ZipFile(path, "w") as archive:
        for name in files:
            entry = zipfile.ZipInfo(folder + "/" + os.path.basename(name), day + (0, 0, 0))
            # Unix permissions, the same on every host (ZipInfo's default system is the host's):
            # the exe runnable, as an unpacked copy under Wine needs, the read-me only readable.
            entry.create_system = 3
            entry.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            with open(name, "rb") as f:
                archive.writestr(entry, f.read(), zipfile.ZIP_DEFLATED, 9)


def main(path, folder, date, *files):
    # Written under another name first: a failed run leaves no archive that looks finished.
    partial = path + ".partial"
    write_archive(partial, folder, tuple(int(part) for part in date.split("-")), files)
    with open(partial, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    os.replace(partial, path)
    with open(path + ".sha256", "w", newline="\n") as f:
        f.write("%s  %s\n" % (digest, os.path.basename(path)))


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
