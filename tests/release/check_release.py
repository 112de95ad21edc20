#!/usr/bin/env python3
"""Checks the release zips that scripts/package wrote.

    tests/release/check_release.py [RELEASE_DIR]      (default: build/release)

For each zip: its files, in order; readme.txt in code page 932 with CR LF line ends only,
naming every command of the command list and every menu item; LICENSE.txt; and each
binary's machine, link time, source paths and version resource (read from the PE file
itself), which must carry the version in VERSION. Exits non-zero and names every fault found.
"""
import os
import re
import struct
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MACHINES = {"win32": 0x14C, "win64": 0x8664}
PLUGIN_EXT = {"win32": "SPI", "win64": "SPH"}
COPYRIGHT = "Copyright (c) 2026 Ixo developers"
RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD


class PeError(Exception):
    pass


def read_version():
    with open(os.path.join(ROOT, "VERSION"), encoding="ascii") as f:
        return f.readline().strip()


# ---- PE files ----

def pe_headers(data):
    """(machine, link time, sections, data directories) of a PE image."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        raise PeError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE signature")
    machine, sections, stamp, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        count_at, dirs_at = 92, 96
    elif magic == 0x20B:
        count_at, dirs_at = 108, 112
    else:
        raise PeError(f"optional header magic {magic:#x}")
    count = struct.unpack_from("<I", data, optional + count_at)[0]
    dirs = [struct.unpack_from("<II", data, optional + dirs_at + 8 * i) for i in range(min(count, 16))]
    table = optional + optional_size
    section_list = []
    for i in range(sections):
        _, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
        section_list.append((rva, max(vsize, raw_size), raw))
    return machine, stamp, section_list, dirs


def rva_to_offset(sections, rva):
    for start, size, raw in sections:
        if start <= rva < start + size:
            return raw + rva - start
    raise PeError(f"RVA {rva:#x} lies in no section")


def version_resource(data):
    """The bytes of the first RT_VERSION resource."""
    _, _, sections, dirs = pe_headers(data)
    if len(dirs) < 3 or dirs[2][0] == 0:
        raise PeError("no resource directory")
    base = rva_to_offset(sections, dirs[2][0])

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + offset + 16 + 8 * i)

    def first_leaf(offset):
        for _, target in entries(offset):
            if target & 0x80000000:
                return first_leaf(target & 0x7FFFFFFF)
            rva, size = struct.unpack_from("<II", data, base + target)
            start = rva_to_offset(sections, rva)
            return data[start:start + size]
        raise PeError("an empty resource directory")

    for name, target in entries(0):
        if name == RT_VERSION and target & 0x80000000:
            return first_leaf(target & 0x7FFFFFFF)
    raise PeError("no version resource")


def version_blocks(block, offset=0, end=None):
    """The blocks of a version resource from `offset`: (key, value bytes, is text, children)."""
    end = len(block) if end is None else end
    while offset + 6 <= end:
        length, value_length, is_text = struct.unpack_from("<HHH", block, offset)
        if length == 0:
            break
        key_end = offset + 6
        while key_end + 2 <= end and block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        if key_end + 2 > end:
            raise PeError("a version block's key runs past its end")
        key = block[offset + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if is_text else value_length
        value = block[value_at:value_at + value_bytes]
        children_at = (value_at + value_bytes + 3) & ~3
        yield key, value, is_text, list(version_blocks(block, children_at, offset + length))
        offset = (offset + length + 3) & ~3


def read_version_info(data):
    """(file version, product version, {string name: value}) of a PE image."""
    (key, value, _, children), = version_blocks(version_resource(data))
    if key != "VS_VERSION_INFO":
        raise PeError(f"the version resource begins with {key!r}")
    fields = struct.unpack_from("<13I", value)
    if fields[0] != FIXED_SIGNATURE:
        raise PeError("no fixed file information")

    def four(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    strings = {}
    for child_key, _, _, tables in children:
        if child_key == "StringFileInfo":
            for _, _, _, values in tables:
                for name, text, _, _ in values:
                    strings[name] = text.decode("utf-16-le").rstrip("\0")
    return four(fields[2], fields[3]), four(fields[4], fields[5]), strings


# ---- the texts the readme must name ----

def command_list_lines():
    with open(os.path.join(ROOT, "tools", "CommandListDlg.cpp"), encoding="utf-8") as f:
        source = f.read()
    table = re.search(r"kCommandLines\[\]\s*=\s*\{(.*?)\};", source, re.S)
    return [line for line in re.findall(r'"(.*?)\\n"', table.group(1))] if table else []


def menu_items():
    with open(os.path.join(ROOT, "res", "Ixo.rc"), encoding="utf-8") as f:
        source = f.read()
    menu = re.search(r"^IDR_MENU MENU\b(.*?)^END", source, re.S | re.M)
    # An item's text without the key it shows after a tab ("全画面表示\tF11").
    items = re.findall(r'(?:POPUP|MENUITEM)\s+"([^"]+)"', menu.group(1)) if menu else []
    return [item.split("\\t")[0] for item in items]


# ---- the checks ----

def check_texts(name, data, faults, encoding):
    if re.search(rb"(?<!\r)\n|\r(?!\n)", data):
        faults.append(f"{name}: a line end other than CR LF")
    if not data.endswith(b"\r\n"):
        faults.append(f"{name}: the last line has no CR LF")
    try:
        return data.decode(encoding)
    except UnicodeDecodeError as e:
        faults.append(f"{name}: not {encoding} at byte {e.start}")
        return ""


def source_folders():
    """The tree's top folders that hold sources."""
    skip = {"build", "dist", "dist64", "demo"}
    return sorted(entry.name for entry in os.scandir(ROOT)
                  if entry.is_dir() and not entry.name.startswith(".") and entry.name not in skip)


def check_build_paths(label, name, data, faults):
    """A source named by where the tree lay ("/work/x/framework/A.cpp", "../../framework/A.cpp")
    makes the file differ between checkouts."""
    folders = b"|".join(re.escape(folder.encode()) for folder in source_folders())
    found = re.search(rb"(?:\.\./|/)(?:" + folders + rb")/[\w./-]+", data)
    if found:
        faults.append(f"{label}/{name}: names a source by where it was built: {found.group().decode(errors='replace')}")


def check_binary(label, name, data, machine, version, faults):
    check_build_paths(label, name, data, faults)
    try:
        pe_machine, stamp, _, _ = pe_headers(data)
        file_version, product_version, strings = read_version_info(data)
    except (PeError, struct.error, ValueError) as e:
        faults.append(f"{label}/{name}: {e}")
        return
    if pe_machine != machine:
        faults.append(f"{label}/{name}: machine {pe_machine:#x}, expected {machine:#x}")
    if stamp != 0:
        faults.append(f"{label}/{name}: the PE header holds a link time ({stamp}); builds would differ")
    numbers = tuple(int(part) for part in version.split(".")) + (0,)
    for what, got in (("file version", file_version), ("product version", product_version)):
        if got != numbers:
            faults.append(f"{label}/{name}: {what} {got}, expected {numbers}")
    expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "Ixo",
                "LegalCopyright": COPYRIGHT, "OriginalFilename": os.path.basename(name)}
    for key, value in expected.items():
        if strings.get(key) != value:
            faults.append(f"{label}/{name}: {key} is {strings.get(key)!r}, expected {value!r}")
    if not strings.get("FileDescription"):
        faults.append(f"{label}/{name}: no FileDescription")


def check_zip(release, label, version, faults):
    path = os.path.join(release, f"Ixo-{version}-{label}.zip")
    if not os.path.isfile(path):
        faults.append(f"{path} is missing")
        return
    plugin = f"SPI/IXWIC.{PLUGIN_EXT[label]}"
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
        names = [info.filename for info in infos]
        expected = ["Ixo.exe", plugin, "readme.txt", "LICENSE.txt"]
        if names != expected:
            faults.append(f"{label}: holds {names}, expected {expected}")
            return
        if len({info.date_time for info in infos}) != 1 or any(
                info.create_system != 0 or info.external_attr != 0x20 for info in infos):
            faults.append(f"{label}: entries differ in time or attributes")
        files = {name: z.read(name) for name in names}

    readme = check_texts(f"{label}/readme.txt", files["readme.txt"], faults, "cp932")
    if readme:
        for text in command_list_lines() + menu_items():
            if text not in readme:
                faults.append(f"{label}/readme.txt does not name {text!r}")
        if f"Version {version}" not in readme:
            faults.append(f"{label}/readme.txt does not name version {version}")
    license_text = check_texts(f"{label}/LICENSE.txt", files["LICENSE.txt"], faults, "ascii")
    if license_text and (COPYRIGHT not in license_text or "MIT License" not in license_text):
        faults.append(f"{label}/LICENSE.txt is not the MIT licence of the Ixo developers")
    for name in ("Ixo.exe", plugin):
        check_binary(label, name, files[name], MACHINES[label], version, faults)


def main():
    release = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "release")
    version = read_version()
    faults = []
    if not command_list_lines() or not menu_items():
        faults.append("the command list or the menu could not be read from the sources")
    for label in MACHINES:
        check_zip(release, label, version, faults)
    for fault in faults:
        print(f"release: {fault}")
    print(f"release: {'FAILED' if faults else 'passed'}: Ixo {version}, {', '.join(MACHINES)}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
