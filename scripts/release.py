#!/usr/bin/env python3
"""Writes the release zips from the built trees (called by scripts/package).

Each zip holds, in this order: Ixo.exe, SPI/IXWIC.<ext>, readme.txt, LICENSE.txt.
The binaries are stripped copies; readme.txt is res/readme.ja.txt in code page 932 with
CR LF line ends; LICENSE.txt gets CR LF too. Every entry has the same time
(SOURCE_DATE_EPOCH) and fixed attributes, so the same inputs give the same bytes.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile

README_SOURCE = "res/readme.ja.txt"
LICENSE_SOURCE = "LICENSE.txt"
# The oldest time a zip entry can hold.
DOS_EPOCH = 315532800
FILE_ATTRIBUTE_ARCHIVE = 0x20


class ReleaseError(Exception):
    pass


def read_version(root):
    with open(os.path.join(root, "VERSION"), encoding="ascii") as f:
        version = f.readline().strip()
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        raise ReleaseError(f"VERSION holds {version!r}, not MAJOR.MINOR.PATCH")
    return version


def crlf(text):
    """Every line ended by CR LF, the last one included."""
    if "\r" in text:
        raise ReleaseError("the text holds a carriage return; its source must have LF line ends")
    if not text.endswith("\n"):
        text += "\n"
    return text.replace("\n", "\r\n")


def readme_bytes(root, version):
    """The readme in code page 932; a character that code page cannot hold is an error."""
    path = os.path.join(root, README_SOURCE)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = crlf(text.replace("@VERSION@", version))
    try:
        data = text.encode("cp932")
    except UnicodeEncodeError as e:
        line = text.count("\n", 0, e.start) + 1
        raise ReleaseError(
            f"{README_SOURCE}:{line}: {text[e.start:e.end]!r} (U+{ord(text[e.start]):04X}) "
            "has no code-page-932 form") from None
    # A few characters are taken for a look-alike (U+301C WAVE DASH becomes U+FF5E): the
    # source must hold what the reader will see.
    back = data.decode("cp932")
    if back != text:
        at = next(i for i, (a, b) in enumerate(zip(text, back)) if a != b)
        line = text.count("\n", 0, at) + 1
        raise ReleaseError(
            f"{README_SOURCE}:{line}: U+{ord(text[at]):04X} turns into U+{ord(back[at]):04X} "
            "in code page 932; write that one instead")
    return data


def license_bytes(root):
    with open(os.path.join(root, LICENSE_SOURCE), encoding="ascii") as f:
        return crlf(f.read()).encode("ascii")


def stripped(strip_tool, path):
    """The binary without its symbols and debugging information."""
    if not os.path.isfile(path):
        raise ReleaseError(f"{path} is missing: build the trees first (scripts/build)")
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, os.path.basename(path))
        # strip writes the time of day into the PE header it rewrites, unless
        # SOURCE_DATE_EPOCH names one: 0, as the linker leaves it.
        subprocess.run([strip_tool, "--strip-all", "-o", out, path], check=True,
                       env={**os.environ, "SOURCE_DATE_EPOCH": "0"})
        with open(out, "rb") as f:
            return f.read()


def zip_time(epoch):
    # A zip entry holds a local date without a zone; UTC makes it the same everywhere.
    return time.gmtime(max(epoch, DOS_EPOCH))[:6]


def write_zip(path, entries, date_time):
    """Writes the entries (name, bytes) in order, replacing `path` only when complete."""
    folder = os.path.dirname(path)
    fd, tmp = tempfile.mkstemp(dir=folder, prefix=".release-", suffix=".zip")
    try:
        with os.fdopen(fd, "wb") as f, zipfile.ZipFile(f, "w") as z:
            for name, data in entries:
                info = zipfile.ZipInfo(name, date_time)
                info.compress_type = zipfile.ZIP_DEFLATED
                # MS-DOS attributes, as a Windows zip tool writes them: a plain file with the
                # archive bit. (zipfile would put Unix permissions in place of none.)
                info.create_system = 0
                info.external_attr = FILE_ATTRIBUTE_ARCHIVE
                z.writestr(info, data, compresslevel=9)
        os.replace(tmp, path)
    except BaseException:
        os.unlink(tmp)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--root", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--tree", nargs=4, action="append", required=True,
                        metavar=("NAME", "DIST", "STRIP", "PLUGIN_EXT"))
    args = parser.parse_args()

    version = read_version(args.root)
    readme = readme_bytes(args.root, version)
    license_text = license_bytes(args.root)
    date_time = zip_time(int(os.environ.get("SOURCE_DATE_EPOCH", DOS_EPOCH)))
    out = os.path.join(args.root, args.out)
    os.makedirs(out, exist_ok=True)
    for name, dist, strip_tool, ext in args.tree:
        dist = os.path.join(args.root, dist)
        plugin = f"IXWIC.{ext}"
        entries = [
            ("Ixo.exe", stripped(strip_tool, os.path.join(dist, "Ixo.exe"))),
            (f"SPI/{plugin}", stripped(strip_tool, os.path.join(dist, "SPI", plugin))),
            ("readme.txt", readme),
            ("LICENSE.txt", license_text),
        ]
        path = os.path.join(out, f"Ixo-{version}-{name}.zip")
        write_zip(path, entries, date_time)
        print(f"package: {os.path.relpath(path, args.root)} ({os.path.getsize(path)} bytes)")


if __name__ == "__main__":
    try:
        main()
    except (ReleaseError, OSError, subprocess.CalledProcessError) as e:
        print(f"package: {e}", file=sys.stderr)
        sys.exit(1)
