#!/usr/bin/python3
"""Reads the shipped exe back from its PE file and checks what a user's Windows will see of it:
a 32-bit GUI program that needs no MinGW runtime DLL and imports what it calls, its version
resource, its two dialog templates, its icon group and its manifest; and checks the committed
icon file against the script that draws it.

    resources_check.py EXE --version X.Y.Z [--ico recorder.ico]   the exe (icons equal to the file's)
    resources_check.py --mutations EXE --version X.Y.Z           each fault planted in a copy is caught
    resources_check.py --ico recorder.ico [--icon-script make_icon.py]
                                                                the icon file alone (and redrawn the same)

Prints one line per failed check, then the counts, and exits 1 when any fails. Needs Debian's
python3-pefile and python3-numpy (hence /usr/bin/python3).
"""

import argparse
import collections
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import numpy as np
import pefile

# Window and control styles, as the Windows headers define them.
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_FIXEDSYS, DS_SETFONT, DS_MODALFRAME, DS_CENTER = 0x0008, 0x0040, 0x0080, 0x0800
DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x0, 0x1
SS_LEFT, ES_LEFT, ES_AUTOHSCROLL, ES_NUMBER = 0x0, 0x0, 0x0080, 0x2000
PBS_SMOOTH = 0x01

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = (
    pefile.RESOURCE_TYPE[name] for name in ("RT_ICON", "RT_DIALOG", "RT_GROUP_ICON", "RT_VERSION",
                                            "RT_MANIFEST"))
LANG_DUTCH_NETHERLANDS = 0x0413

# Predefined control classes are stored as ordinals in a template.
CLASS_ORDINALS = {0x80: "button", 0x81: "edit", 0x82: "static", 0x83: "listbox",
                  0x84: "scrollbar", 0x85: "combobox"}

DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT
BUTTON = WS_CHILD | WS_VISIBLE | WS_TABSTOP
FONT = ("MS Shell Dlg", 8, 400, 0, 1)   # face, points, weight, italic, DEFAULT_CHARSET

# id: caption, position (None: not fixed), size, style, controls in tab order as
# (id, class, text, (x, y, width, height), style).
DIALOGS = {
    101: ("Morvik Wav Recorder", None, (168, 45), DIALOG_STYLE | DS_CENTER, [
        (1001, "button", "Rec", (7, 24, 50, 14), BUTTON | BS_PUSHBUTTON),
        (1002, "button", "Play", (59, 24, 50, 14), BUTTON | BS_PUSHBUTTON),
        (1003, "button", "Save", (111, 24, 50, 14), BUTTON | BS_PUSHBUTTON),
        (1004, "msctls_progress32", "", (7, 7, 154, 14), WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH),
    ]),
    102: ("Opnemen", (0, 0), (118, 59), DIALOG_STYLE, [
        (1, "button", "Record", (7, 38, 50, 14), BUTTON | BS_DEFPUSHBUTTON),
        (2, "button", "Cancel", (61, 38, 50, 14), BUTTON | BS_PUSHBUTTON),
        (-1, "static", "Geef het aantal seconden:", (17, 7, 92, 11),
         WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT),
        (1005, "edit", "", (33, 21, 40, 14),
         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_NUMBER | ES_AUTOHSCROLL),
    ]),
}

ICON_GROUP_ID = 103
# (pixels, bits per pixel) of the icon group's images, in order.
ICON_IMAGES = [(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)]

# The version resource's strings; the versions are the project's, given on the command line.
VERSION_STRINGS = {"FileDescription": "Morvik Wav Recorder", "ProductName": "Morvik Wav Recorder",
                   "InternalName": "MorvikWavRecorder", "OriginalFilename": "MorvikWavRecorder.exe"}
VERSION_TABLE = "041304E4"                 # Dutch (Netherlands), code page 1252
VERSION_TRANSLATION = "0x0413 0x04e4"      # the same pair, as pefile reads VarFileInfo

# DLLs that every Windows has. The runtime is linked statically: a MinGW DLL here would stop
# the program on any machine without a MinGW installation.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "winmm.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "oleaut32.dll", "uxtheme.dll", "ntdll.dll"}
RUNTIME_DLL_PREFIXES = ("libgcc", "libstdc++", "libwinpthread")
# No Remote Desktop compatibility layer; no SE handler in the image (the program registers none).
HEADER_FLAGS = ("TERMINAL_SERVER_AWARE", "NO_SEH")
# What the program calls: a call gone from the imports is a feature gone from the build (without
# InitCommonControlsEx the progress bar's class is never registered and the dialog fails).
NEEDED_IMPORTS = {
    "comctl32.dll": "InitCommonControlsEx",
    "comdlg32.dll": "GetSaveFileNameA",
    "user32.dll": "DialogBoxParamA EndDialog MessageBoxA SetTimer KillTimer LoadImageA "
                  "PostMessageA SetWindowLongA",
    "winmm.dll": "waveInOpen waveInPrepareHeader waveInAddBuffer waveInStart waveInReset "
                 "waveInUnprepareHeader waveInClose waveOutOpen waveOutPrepareHeader waveOutWrite "
                 "waveOutReset waveOutUnprepareHeader waveOutClose",
    "kernel32.dll": "CreateFileA WriteFile FlushFileBuffers MoveFileExA DeleteFileA FormatMessageA",
}
# Functions newer than the oldest Windows the exe runs on: looked up at run time, since one in the
# imports stops the program at start where it is missing (before Vista, for these).
LOOKED_UP = {"user32.dll": "ShutdownBlockReasonCreate ShutdownBlockReasonDestroy"}

# One resource: its bytes, their file offset, and its language entry (a pefile structure).
Leaf = collections.namedtuple("Leaf", "data data_at language_entry")


def read_resources(pe):
    """{(type, name, language): Leaf}, ids as ints and names as strings."""
    found = {}

    def key(entry):
        return entry.id if entry.name is None else str(entry.name)

    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in root.entries if root else []:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                found[key(kind), key(name), language.id] = Leaf(
                    pe.get_data(rva, size), pe.get_offset_from_rva(rva), language.struct)
    return found


def read_imports(pe):
    """{DLL name in lower case: (import directory entry, {function name: pefile ImportData})}."""
    return {entry.dll.decode().lower(): (entry, {i.name.decode(): i for i in entry.imports if i.name})
            for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}


def read_sz_or_ord(data, at):
    """A template's name-or-ordinal field: (value, next offset); None, an int or a string."""
    (first,) = struct.unpack_from("<H", data, at)
    if first == 0:
        return None, at + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    return read_string(data, at)


def read_string(data, at):
    end = at
    while data[end:end + 2] not in (b"\0\0", b""):
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def parse_dialog_ex(data):
    """An extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items) as a dict;
    the `*_at` entries are offsets of fields within the template. No library reads these."""
    version, signature, help_id, ex_style, style, count, x, y, cx, cy = struct.unpack_from(
        "<HHIIIHhhhh", data)
    dialog = dict(version=version, signature=signature, help_id=help_id, ex_style=ex_style,
                  style=style, style_at=12, position=(x, y), size=(cx, cy), items=[])
    if signature != 0xFFFF:
        return dialog   # a classic DLGTEMPLATE: the caller reports it; its layout differs
    dialog["menu"], at = read_sz_or_ord(data, 26)
    dialog["window_class"], at = read_sz_or_ord(data, at)
    dialog["caption"], at = read_string(data, at)
    dialog["font"] = None
    if style & DS_SETFONT:
        points, weight, italic, charset = struct.unpack_from("<HHBB", data, at)
        dialog["weight_at"] = at + 2
        face, at = read_string(data, at + 6)
        dialog["font"] = (face, points, weight, italic, charset)
    for _ in range(count):
        at = (at + 3) & ~3   # each item starts on a DWORD boundary
        help_id, ex_style, style, x, y, cx, cy, control_id = struct.unpack_from("<IIIhhhhI", data, at)
        item = dict(help_id=help_id, ex_style=ex_style, style=style, style_at=at + 8,
                    rect=(x, y, cx, cy), id=control_id, id_at=at + 20)
        kind, at = read_sz_or_ord(data, at + 24)
        item["class"] = CLASS_ORDINALS.get(kind, kind) if isinstance(kind, int) else kind.lower()
        text, at = read_sz_or_ord(data, at)
        item["text"] = "" if text is None else text
        (item["extra"],) = struct.unpack_from("<H", data, at)
        at += 2 + item["extra"]
        dialog["items"].append(item)
    return dialog


def signed_id(value):
    # Ids are DWORDs in an extended template; -1 may be stored in 16 or in 32 bits.
    return -1 if value in (0xFFFF, 0xFFFFFFFF) else value


class Report:
    def __init__(self):
        self.failures = []
        self.passed = 0

    def expect(self, ok, what, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failures.append(what + (": " + detail if detail else ""))
        return ok

    def equal(self, what, expected, actual):
        return self.expect(expected == actual, what, "expected %r, found %r" % (expected, actual))


def check_pe_header(pe, report):
    report.equal("machine is i386", hex(pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]),
                 hex(pe.FILE_HEADER.Machine))
    report.equal("optional header is PE32", hex(pefile.OPTIONAL_HEADER_MAGIC_PE),
                 hex(pe.OPTIONAL_HEADER.Magic))
    report.equal("subsystem is Windows GUI", pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"],
                 pe.OPTIONAL_HEADER.Subsystem)
    report.equal("an executable, not a DLL", (True, False),
                 (pe.FILE_HEADER.IMAGE_FILE_EXECUTABLE_IMAGE, pe.FILE_HEADER.IMAGE_FILE_DLL))
    for flag in HEADER_FLAGS:
        report.expect(getattr(pe.OPTIONAL_HEADER, "IMAGE_DLLCHARACTERISTICS_" + flag), "header flag " + flag)


def check_imports(pe, report):
    imports = read_imports(pe)
    report.expect(imports, "the exe imports from system DLLs")
    for name in imports:
        report.expect(not name.startswith(RUNTIME_DLL_PREFIXES), "no MinGW runtime DLL", name)
        report.expect(name in SYSTEM_DLLS, "imports only system DLLs", name)
    for dll, needed in sorted(NEEDED_IMPORTS.items()):
        found = imports.get(dll, (None, {}))[1]
        report.equal("%s imports what the program calls (missing)" % dll, [],
                     [name for name in needed.split() if name not in found])
    for dll, looked_up in sorted(LOOKED_UP.items()):
        report.equal("%s functions looked up at run time are not imported" % dll, [],
                     [name for name in looked_up.split() if name in imports.get(dll, (None, {}))[1]])


def languages_of(resources, kind, name):
    return ", ".join("0x%04x" % lang for k, n, lang in sorted(resources) if (k, n) == (kind, name))


def check_version(pe, resources, version, report):
    if not report.expect((RT_VERSION, 1, LANG_DUTCH_NETHERLANDS) in resources,
                         "version resource 1 exists in Dutch (Netherlands)",
                         "languages found: " + languages_of(resources, RT_VERSION, 1)):
        return
    numbers = [int(part) for part in version.split(".")]
    numbers += [0] * (4 - len(numbers))
    fixed = pe.VS_FIXEDFILEINFO[0]
    for field in ("FileVersion", "ProductVersion"):
        high, low = getattr(fixed, field + "MS"), getattr(fixed, field + "LS")
        report.equal("version fixed info %s" % field, numbers,
                     [high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF])
    infos = pe.FileInfo[0] if getattr(pe, "FileInfo", None) else []
    tables = {table.LangID.decode().upper(): table.entries
              for info in infos for table in getattr(info, "StringTable", [])}
    report.equal("version string tables", [VERSION_TABLE], sorted(tables))
    strings = {key.decode(): value.decode() for key, value in tables.get(VERSION_TABLE, {}).items()}
    for key, expected in sorted(dict(VERSION_STRINGS, FileVersion=version, ProductVersion=version).items()):
        report.equal("version string %s" % key, expected, strings.get(key))
    translations = [var.entry.get(b"Translation") for info in infos for var in getattr(info, "Var", [])]
    report.equal("version translation (language, code page)", [VERSION_TRANSLATION], translations)


def check_dialog(resources, dialog_id, report):
    caption, position, size, style, controls = DIALOGS[dialog_id]
    where = "dialog %d" % dialog_id
    leaf = resources.get((RT_DIALOG, dialog_id, LANG_DUTCH_NETHERLANDS))
    if not report.expect(leaf is not None, where + " exists in Dutch (Netherlands)",
                         "languages found: " + languages_of(resources, RT_DIALOG, dialog_id)):
        return
    try:
        dialog = parse_dialog_ex(leaf.data)
    except (struct.error, UnicodeDecodeError) as e:
        report.expect(False, where + " parses", str(e))
        return
    if not report.equal(where + " is an extended template", (1, 0xFFFF),
                        (dialog["version"], dialog["signature"])):
        return
    report.equal(where + " caption", caption, dialog["caption"])
    report.equal(where + " size", size, dialog["size"])
    if position is not None:
        report.equal(where + " position", position, dialog["position"])
    report.equal(where + " style", hex(style), hex(dialog["style"]))
    report.equal(where + " extended style", 0, dialog["ex_style"])
    report.equal(where + " has no menu or own class", (None, None), (dialog["menu"], dialog["window_class"]))
    report.equal(where + " font", FONT, dialog["font"])
    report.equal(where + " control ids in tab order", [c[0] for c in controls],
                 [signed_id(item["id"]) for item in dialog["items"]])
    for expected, item in zip(controls, dialog["items"]):
        control_id, kind, text, rect, control_style = expected
        at = "%s control %d" % (where, control_id)
        report.equal(at + " class", kind, item["class"])
        report.equal(at + " text", text, item["text"])
        report.equal(at + " position and size", rect, item["rect"])
        report.equal(at + " style", hex(control_style), hex(item["style"]))
        report.equal(at + " extended style, help id, extra bytes", (0, 0, 0),
                     (item["ex_style"], item["help_id"], item["extra"]))


def parse_icon_directory(data, entry_size):
    """An icon directory: GRPICONDIR in a resource (entries of 14 bytes, ending in the icon's
    resource id) or ICONDIR in an .ico file (16 bytes, ending in the image's file offset).
    [(width, height, colours, planes, bits, bytes, id or offset)]."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if (reserved, kind) != (0, 1):
        raise ValueError("not an icon directory")
    last = "H" if entry_size == 14 else "I"
    entries = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, last_field = struct.unpack_from(
            "<BBBBHHI" + last, data, 6 + entry_size * i)
        entries.append((w or 256, h or 256, colours, planes, bits, size, last_field))
    return entries


def parse_ico(data):
    """An .ico file: [(width, height, colours, planes, bits, image bytes)] in directory order."""
    images = []
    for i, (w, h, colours, planes, bits, size, at) in enumerate(parse_icon_directory(data, 16)):
        if at + size > len(data):
            raise ValueError("image %d runs past the end of the file" % i)
        images.append((w, h, colours, planes, bits, data[at:at + size]))
    return images


def expected_directory_entry(size, bits):
    # (width, height, colours, planes, bits): the colour count is 0 for 256 colours and more.
    return (size, size, 16 if bits == 4 else 0, 1, bits)


def check_dib(image, size, bits, where, report):
    """One icon image: its header agrees with the directory, its length with its header, and its
    transparent pixels (AND mask 1) are black, so nothing of them shows on any screen."""
    header = struct.unpack_from("<IiiHHIIiiII", image)
    report.equal(where + " header (size, width, height, planes, bits, compression)",
                 (40, size, 2 * size, 1, bits, 0), header[:6])
    colours = (header[9] or 1 << bits) if bits <= 8 else 0
    xor_row = (bits * size + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    palette_end = 40 + 4 * colours
    mask_at = palette_end + xor_row * size
    if not report.equal(where + " length", mask_at + and_row * size, len(image)):
        return
    pixels = np.frombuffer(image, np.uint8)
    transparent = np.unpackbits(pixels[mask_at:].reshape(size, and_row), axis=1)[:, :size] == 1
    rows = pixels[palette_end:mask_at].reshape(size, xor_row)
    if bits == 32:
        colour = rows[:, :4 * size].reshape(size, size, 4)   # B, G, R, alpha
        # Alpha and mask must agree, or the picture differs with the drawing method.
        shows = colour[..., 3] != 0
        stray = transparent & colour.any(axis=2) | ~transparent & ~shows
    else:
        index_bits = np.unpackbits(rows, axis=1).reshape(size, -1, bits)[:, :size]
        index = index_bits @ (1 << np.arange(bits - 1, -1, -1))
        palette = pixels[40:palette_end].reshape(colours, 4)[:, :3]   # RGBQUADs: B, G, R, 0
        shows = ~transparent
        stray = transparent & palette[index].any(axis=2)
    drawn = int(shows.sum())
    report.equal(where + " pixels the mask hides are black (and alpha agrees with the mask)",
                 0, int(stray.sum()))
    report.expect(size * size // 5 <= drawn <= size * size * 4 // 5, where + " is a picture, not a blank or a block",
                  "%d of %d pixels drawn" % (drawn, size * size))


def check_ico_file(path, report, script=None):
    with open(path, "rb") as f:
        data = f.read()
    try:
        images = parse_ico(data)
    except (ValueError, struct.error) as e:
        report.expect(False, "icon file parses", str(e))
        return
    report.equal("icon file images (size, size, colours, planes, bits)",
                 [expected_directory_entry(s, b) for s, b in ICON_IMAGES], [i[:5] for i in images])
    for (size, bits), image in zip(ICON_IMAGES, images):
        check_dib(image[5], size, bits, "icon %dx%d %d bpp" % (size, size, bits), report)
    if script:
        with tempfile.NamedTemporaryFile(suffix=".ico") as redrawn:
            run = subprocess.run([sys.executable, script, redrawn.name], capture_output=True, text=True)
            if report.equal("icon script runs", 0, run.returncode):
                report.expect(redrawn.read() == data, "icon script redraws the committed file byte for byte",
                              "run the script and commit its output")


def check_icon_group(resources, report, ico_path=None):
    leaf = resources.get((RT_GROUP_ICON, ICON_GROUP_ID, LANG_DUTCH_NETHERLANDS))
    if not report.expect(leaf is not None, "icon group %d exists in Dutch (Netherlands)" % ICON_GROUP_ID):
        return
    entries = parse_icon_directory(leaf.data, 14)
    report.equal("icon group images (size, size, colours, planes, bits)",
                 [expected_directory_entry(s, b) for s, b in ICON_IMAGES], [e[:5] for e in entries])
    icons = {name: leaf for (kind, name, _), leaf in resources.items() if kind == RT_ICON}
    files = None
    if ico_path:
        with open(ico_path, "rb") as f:
            files = parse_ico(f.read())
    for i, entry in enumerate(entries):
        where = "icon group image %d (id %d)" % (i, entry[6])
        icon = icons.get(entry[6])
        if not report.expect(icon is not None, where + " exists"):
            continue
        report.equal(where + " byte count", entry[5], len(icon.data))
        if i < len(ICON_IMAGES):
            size, bits = ICON_IMAGES[i]
            check_dib(icon.data, size, bits, where, report)
        if files is not None and i < len(files):
            report.expect(icon.data == files[i][5], where + " is the committed icon file's image")


def check_manifest(resources, report):
    leaves = [leaf for (kind, name, _), leaf in resources.items() if (kind, name) == (RT_MANIFEST, 1)]
    if not report.equal("one manifest with id 1", 1, len(leaves)):
        return
    text = leaves[0].data.decode("utf-8-sig", errors="replace")
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as e:
        report.expect(False, "manifest is well-formed XML", str(e))
        return
    levels = [element.get("level") for element in root.iter() if element.tag.endswith("}requestedExecutionLevel")
              or element.tag == "requestedExecutionLevel"]
    report.equal("manifest asks for the invoker's execution level", ["asInvoker"], levels)
    # Without it, Save As hands over a name outside the code page as its best fit: another file.
    pages = [element.text for element in root.iter()
             if element.tag == "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}activeCodePage"]
    report.equal("manifest's active code page (2019 WindowsSettings)", ["UTF-8"], pages)


def check_exe(data, version, report, ico_path=None):
    try:
        pe = pefile.PE(data=data)
        check_pe_header(pe, report)
        check_imports(pe, report)
        resources = read_resources(pe)
        check_version(pe, resources, version, report)
        for dialog_id in sorted(DIALOGS):
            check_dialog(resources, dialog_id, report)
        check_icon_group(resources, report, ico_path)
        check_manifest(resources, report)
        return pe
    except (pefile.PEFormatError, struct.error, ValueError) as e:
        report.expect(False, "the exe parses", str(e))
        return None


def plant_faults(data):
    """(fault, words the report must contain, patched copy): one fault a broken build could ship
    in each area this check covers. pefile finds where; the bytes are changed in a copy."""
    pe = pefile.PE(data=data)
    resources = read_resources(pe)
    imports = read_imports(pe)
    dialogs = {i: (resources[RT_DIALOG, i, LANG_DUTCH_NETHERLANDS],
                   parse_dialog_ex(resources[RT_DIALOG, i, LANG_DUTCH_NETHERLANDS].data)) for i in DIALOGS}
    group = resources[RT_GROUP_ICON, ICON_GROUP_ID, LANG_DUTCH_NETHERLANDS]
    manifest = next(leaf for (kind, name, _), leaf in resources.items() if (kind, name) == (RT_MANIFEST, 1))
    version_table = pe.FileInfo[0][0].StringTable[0]

    def patch(at, fmt, value, *more):
        copy = bytearray(data)
        for at, fmt, value in [(at, fmt, value)] + list(more):
            struct.pack_into("<" + fmt, copy, at, value)
        return bytes(copy)

    def dialog_field(dialog_id, at, fmt, value):
        return patch(dialogs[dialog_id][0].data_at + at, fmt, value)

    def language(leaf, value):
        return patch(leaf.language_entry.get_field_absolute_offset("Name"), "I", value)

    def version_string(key, value):
        _, value_at = version_table.entries_offsets[key.encode()]
        return patch(value_at, "%ds" % (2 * len(value)), value.encode("utf-16-le"))

    kernel = imports["kernel32.dll"][0]
    kernel_name_at = pe.get_offset_from_rva(kernel.struct.Name)
    # Both thunks cleared: the loader, and pefile, see COMCTL32's list end before its only entry.
    init = imports["comctl32.dll"][1]["InitCommonControlsEx"]
    main, duration = dialogs[101][1], dialogs[102][1]
    rec, play = main["items"][0], main["items"][1]
    edit = duration["items"][3]
    invoker = manifest.data.index(b"asInvoker")
    yield "console subsystem", "subsystem", patch(pe.OPTIONAL_HEADER.get_field_absolute_offset("Subsystem"), "H", 3)
    yield "an x86-64 machine type", "machine is i386", patch(
        pe.FILE_HEADER.get_field_absolute_offset("Machine"), "H", 0x8664)
    yield "a DLL, not an executable", "not a DLL", patch(
        pe.FILE_HEADER.get_field_absolute_offset("Characteristics"), "H", pe.FILE_HEADER.Characteristics | 0x2000)
    for flag in HEADER_FLAGS:
        yield "header flag %s left out" % flag, "header flag " + flag, patch(
            pe.OPTIONAL_HEADER.get_field_absolute_offset("DllCharacteristics"), "H",
            pe.OPTIONAL_HEADER.DllCharacteristics & ~pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + flag])
    yield "a MinGW runtime DLL", "no MinGW runtime DLL", patch(kernel_name_at, "12s", b"libgcc_s.dll")
    yield "common controls no longer initialised", "comctl32.dll imports what the program calls", patch(
        init.struct_table.get_file_offset(), "I", 0,
        (pe.get_offset_from_rva(init.address - pe.OPTIONAL_HEADER.ImageBase), "I", 0))
    yield "dialog in US English", "dialog 101 exists in Dutch", language(dialogs[101][0], 0x0409)
    yield "duration dialog centred", "dialog 102 style", dialog_field(102, duration["style_at"], "I",
                                                                       duration["style"] | DS_CENTER)
    yield "font weight left out", "dialog 101 font", dialog_field(101, main["weight_at"], "H", 0)
    main_at = dialogs[101][0].data_at
    yield "Play before Rec", "control ids in tab order", patch(main_at + rec["id_at"], "I", 1002,
                                                               (main_at + play["id_at"], "I", 1001))
    yield "edit field takes any text", "control 1005 style", dialog_field(102, edit["style_at"], "I",
                                                                           edit["style"] & ~ES_NUMBER)
    yield "a 4 bpp image marked 8 bpp", "icon group images", patch(group.data_at + 6 + 6, "H", 8)
    yield "administrator rights asked", "invoker's execution level", patch(
        manifest.data_at + invoker, "9s", b"asInvokeX")
    code_page = manifest.data.index(b">UTF-8<")
    yield "the system's code page for names", "active code page", patch(
        manifest.data_at + code_page, "7s", b">UTF-7<")
    yield "a stale version string", "version string ProductVersion", version_string("ProductVersion", "0.9.9")
    yield "version strings in US English", "version string tables", patch(
        version_table.get_file_offset() + 6, "16s", "040904E4".encode("utf-16-le"))
    yield "a stale fixed version", "fixed info FileVersion", patch(
        pe.VS_FIXEDFILEINFO[0].get_field_absolute_offset("FileVersionMS"), "I", 0x00000009)
    yield "version resource in US English", "version resource 1 exists in Dutch", language(
        resources[RT_VERSION, 1, LANG_DUTCH_NETHERLANDS], 0x0409)


def check_mutations(data, version):
    report = Report()
    check_exe(data, version, report)
    caught = Report()
    if not caught.expect(not report.failures, "the unchanged exe passes", "; ".join(report.failures)):
        return caught
    for fault, words, copy in plant_faults(data):
        planted = Report()
        check_exe(copy, version, planted)
        caught.expect(any(words in failure for failure in planted.failures), "caught: " + fault,
                      "reported: " + ("; ".join(planted.failures) or "nothing"))
    return caught


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("exe", nargs="*")
    parser.add_argument("--version", help="the project's version, as X.Y.Z")
    parser.add_argument("--ico")
    parser.add_argument("--icon-script")
    parser.add_argument("--mutations", metavar="EXE")
    args = parser.parse_args()
    if not (args.exe or args.ico or args.mutations):
        parser.error("nothing to check")
    if (args.exe or args.mutations) and not args.version:
        parser.error("an exe is checked against --version")
    report = Report()
    if args.mutations:
        with open(args.mutations, "rb") as f:
            report = check_mutations(f.read(), args.version)
    if args.ico:
        check_ico_file(args.ico, report, args.icon_script)
    for exe in args.exe:
        with open(exe, "rb") as f:
            pe = check_exe(f.read(), args.version, report, args.ico)
        if pe:
            print("%s imports: %s" % (exe, ", ".join(entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT)))
    for failure in report.failures:
        print("FAIL " + failure)
    print("%d passed, %d failed" % (report.passed, len(report.failures)))
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
