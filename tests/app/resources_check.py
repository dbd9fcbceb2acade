#!/usr/bin/env python3
"""Reads the shipped exe back from its PE file and checks what a user's Windows will see of it:
a 32-bit GUI program that needs no MinGW runtime DLL, its two dialog templates, its icon group
and its manifest; and checks the committed icon file against the script that draws it.

    resources_check.py EXE [--ico recorder.ico]     the exe (its icons equal to the file's)
    resources_check.py --mutations EXE              each fault planted in a copy is caught
    resources_check.py --ico recorder.ico [--icon-script make_icon.py]
                                                    the icon file alone (and redrawn the same)

Prints one line per check and exits 1 when any fails.
"""

import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# Window and control styles, as the Windows headers define them.
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_FIXEDSYS, DS_SETFONT, DS_MODALFRAME, DS_CENTER = 0x0008, 0x0040, 0x0080, 0x0800
DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x0, 0x1
SS_LEFT, ES_LEFT, ES_AUTOHSCROLL, ES_NUMBER = 0x0, 0x0, 0x0080, 0x2000
PBS_SMOOTH = 0x01

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24
LANG_DUTCH_NETHERLANDS = 0x0413
IMAGE_FILE_MACHINE_I386, PE32_MAGIC, IMAGE_SUBSYSTEM_WINDOWS_GUI = 0x14C, 0x10B, 2
IMAGE_FILE_EXECUTABLE_IMAGE, IMAGE_FILE_DLL = 0x0002, 0x2000

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

# DLLs that every Windows has. The runtime is linked statically: a MinGW DLL here would stop
# the program on any machine without a MinGW installation.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "winmm.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "oleaut32.dll", "uxtheme.dll", "ntdll.dll"}
RUNTIME_DLL_PREFIXES = ("libgcc", "libstdc++", "libwinpthread")


class FormatError(Exception):
    pass


def unpack(fmt, data, offset):
    try:
        return struct.unpack_from("<" + fmt, data, offset)
    except struct.error:
        raise FormatError("truncated at offset 0x%x" % offset)


class PeFile:
    """The parts of a PE image this check reads. Offsets are kept so faults can be planted."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise FormatError("no MZ header")
        (pe_at,) = unpack("I", data, 0x3C)
        if data[pe_at:pe_at + 4] != b"PE\0\0":
            raise FormatError("no PE signature")
        coff = pe_at + 4
        self.machine_at = coff
        self.machine, sections, _, _, _, optional_size, self.characteristics = unpack("HHIIIHH", data, coff)
        optional = coff + 20
        (self.magic,) = unpack("H", data, optional)
        self.subsystem_at = optional + 68
        (self.subsystem,) = unpack("H", data, self.subsystem_at)
        # The data directories follow the fixed fields, which are 16 bytes longer in PE32+.
        directories = optional + (96 if self.magic == PE32_MAGIC else 112)
        (count,) = unpack("I", data, directories - 4)
        self.directories = [unpack("II", data, directories + 8 * i) for i in range(min(count, 16))]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            _, vsize, rva, raw_size, raw_at = unpack("8sIIII", data, table + 40 * i)
            self.sections.append((rva, max(vsize, raw_size), raw_at, raw_size))

    def offset(self, rva):
        for start, size, raw_at, raw_size in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw_at + rva - start
        raise FormatError("RVA 0x%x is in no section" % rva)

    def directory(self, index):
        rva, size = self.directories[index] if index < len(self.directories) else (0, 0)
        return (self.offset(rva), size) if rva else (None, 0)

    def c_string(self, at):
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("latin-1")

    def imports(self):
        """[(DLL name, file offset of the name)] in the import directory's order."""
        at, _ = self.directory(1)
        names = []
        while at is not None:
            lookup, _, _, name_rva, thunks = unpack("IIIII", self.data, at)
            if not (lookup or name_rva or thunks):
                break
            name_at = self.offset(name_rva)
            names.append((self.c_string(name_at), name_at))
            at += 20
        return names

    def resources(self):
        """{(type, name, language): Leaf}, ids as ints and names as strings."""
        base, _ = self.directory(2)
        found = {}
        if base is None:
            return found

        def entries(directory_at):
            _, _, _, _, named, ids = unpack("IIHHHH", self.data, directory_at)
            for i in range(named + ids):
                entry_at = directory_at + 16 + 8 * i
                name, target = unpack("II", self.data, entry_at)
                if name & 0x80000000:
                    (length,) = unpack("H", self.data, base + (name & 0x7FFFFFFF))
                    start = base + (name & 0x7FFFFFFF) + 2
                    name = self.data[start:start + 2 * length].decode("utf-16-le")
                yield name, target, entry_at

        for kind, kinds_at, _ in entries(base):
            for name, names_at, _ in entries(base + (kinds_at & 0x7FFFFFFF)):
                for language, leaf_at, language_entry_at in entries(base + (names_at & 0x7FFFFFFF)):
                    rva, size, _, _ = unpack("IIII", self.data, base + leaf_at)
                    data_at = self.offset(rva)
                    found[kind, name, language] = Leaf(self.data[data_at:data_at + size], data_at,
                                                       language_entry_at)
        return found


class Leaf:
    def __init__(self, data, data_at, language_entry_at):
        self.data, self.data_at, self.language_entry_at = data, data_at, language_entry_at


def read_sz_or_ord(data, at):
    """A template's name-or-ordinal field: (value, next offset); None, an int or a string."""
    (first,) = unpack("H", data, at)
    if first == 0:
        return None, at + 2
    if first == 0xFFFF:
        (ordinal,) = unpack("H", data, at + 2)
        return ordinal, at + 4
    return read_string(data, at)


def read_string(data, at):
    end = at
    while unpack("H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def parse_dialog_ex(data):
    """An extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items) as a dict;
    the `*_at` entries are offsets of fields within the template."""
    version, signature, help_id, ex_style, style, count, x, y, cx, cy = unpack("HHIIIHhhhh", data, 0)
    dialog = dict(version=version, signature=signature, help_id=help_id, ex_style=ex_style,
                  style=style, style_at=12, position=(x, y), size=(cx, cy), items=[])
    if signature != 0xFFFF:
        return dialog   # a classic DLGTEMPLATE: the caller reports it; its layout differs
    dialog["menu"], at = read_sz_or_ord(data, 26)
    dialog["window_class"], at = read_sz_or_ord(data, at)
    dialog["caption"], at = read_string(data, at)
    dialog["font"] = None
    if style & DS_SETFONT:
        points, weight, italic, charset = unpack("HHBB", data, at)
        dialog["weight_at"] = at + 2
        face, at = read_string(data, at + 6)
        dialog["font"] = (face, points, weight, italic, charset)
    for _ in range(count):
        at = (at + 3) & ~3   # each item starts on a DWORD boundary
        help_id, ex_style, style, x, y, cx, cy, control_id = unpack("IIIhhhhI", data, at)
        item = dict(help_id=help_id, ex_style=ex_style, style=style, style_at=at + 8,
                    rect=(x, y, cx, cy), id=control_id, id_at=at + 20)
        kind, at = read_sz_or_ord(data, at + 24)
        item["class"] = CLASS_ORDINALS.get(kind, kind) if isinstance(kind, int) else kind.lower()
        text, at = read_sz_or_ord(data, at)
        item["text"] = "" if text is None else text
        (item["extra"],) = unpack("H", data, at)
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
    report.equal("machine is i386", hex(IMAGE_FILE_MACHINE_I386), hex(pe.machine))
    report.equal("optional header is PE32", hex(PE32_MAGIC), hex(pe.magic))
    report.equal("subsystem is Windows GUI", IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.subsystem)
    report.equal("an executable, not a DLL", IMAGE_FILE_EXECUTABLE_IMAGE,
                 pe.characteristics & (IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_DLL))


def check_imports(pe, report):
    names = [name for name, _ in pe.imports()]
    report.expect(names, "the exe imports from system DLLs")
    for name in names:
        lower = name.lower()
        report.expect(not lower.startswith(RUNTIME_DLL_PREFIXES), "no MinGW runtime DLL", name)
        report.expect(lower in SYSTEM_DLLS, "imports only system DLLs", name)


def check_dialog(resources, dialog_id, report):
    caption, position, size, style, controls = DIALOGS[dialog_id]
    where = "dialog %d" % dialog_id
    leaf = resources.get((RT_DIALOG, dialog_id, LANG_DUTCH_NETHERLANDS))
    languages = sorted(lang for kind, name, lang in resources if (kind, name) == (RT_DIALOG, dialog_id))
    if not report.expect(leaf is not None, where + " exists in Dutch (Netherlands)",
                         "languages found: " + ", ".join("0x%04x" % l for l in languages)):
        return
    try:
        dialog = parse_dialog_ex(leaf.data)
    except FormatError as e:
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


def parse_group_icon(data):
    """GRPICONDIR: [(width, height, colours, planes, bits, bytes, icon id, offset of the bits)]."""
    reserved, kind, count = unpack("HHH", data, 0)
    if (reserved, kind) != (0, 1):
        raise FormatError("not an icon directory")
    entries = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, icon_id = unpack("BBBBHHIH", data, 6 + 14 * i)
        entries.append((w or 256, h or 256, colours, planes, bits, size, icon_id, 6 + 14 * i + 6))
    return entries


def parse_ico(data):
    """An .ico file: [(width, height, colours, planes, bits, image bytes)] in directory order."""
    reserved, kind, count = unpack("HHH", data, 0)
    if (reserved, kind) != (0, 1):
        raise FormatError("not an icon file")
    images = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, at = unpack("BBBBHHII", data, 6 + 16 * i)
        if at + size > len(data):
            raise FormatError("image %d runs past the end of the file" % i)
        images.append((w or 256, h or 256, colours, planes, bits, data[at:at + size]))
    return images


def expected_directory_entry(size, bits):
    # (width, height, colours, planes, bits): the colour count is 0 for 256 colours and more.
    return (size, size, 16 if bits == 4 else 0, 1, bits)


def check_dib(image, size, bits, where, report):
    """One icon image: its header agrees with the directory, its length with its header, and its
    transparent pixels (AND mask 1) are black, so nothing of them shows on any screen."""
    header = unpack("IiiHHIIiiII", image, 0)
    report.equal(where + " header (size, width, height, planes, bits, compression)",
                 (40, size, 2 * size, 1, bits, 0), header[:6])
    colours = (header[9] or 1 << bits) if bits <= 8 else 0
    xor_row = (bits * size + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    palette_end = 40 + 4 * colours
    mask_at = palette_end + xor_row * size
    if not report.equal(where + " length", mask_at + and_row * size, len(image)):
        return
    palette = [image[40 + 4 * i:43 + 4 * i] for i in range(colours)]   # RGBQUADs: B, G, R, 0
    stray = drawn = 0
    for y in range(size):
        for x in range(size):
            transparent = image[mask_at + y * and_row + x // 8] >> (7 - x % 8) & 1
            row = palette_end + y * xor_row
            if bits == 32:
                pixel = image[row + 4 * x:row + 4 * x + 4]
                # Alpha and mask must agree, or the picture differs with the drawing method.
                shows = pixel[3] != 0
                stray += transparent and pixel != b"\0\0\0\0" or not transparent and not shows
            else:
                index = image[row + x * bits // 8] >> (8 - bits - x * bits % 8) & ((1 << bits) - 1)
                shows = not transparent
                stray += transparent and palette[index] != b"\0\0\0"
            drawn += shows
    report.equal(where + " pixels the mask hides are black (and alpha agrees with the mask)", 0, stray)
    report.expect(size * size // 5 <= drawn <= size * size * 4 // 5, where + " is a picture, not a blank or a block",
                  "%d of %d pixels drawn" % (drawn, size * size))


def check_ico_file(path, report, script=None):
    with open(path, "rb") as f:
        data = f.read()
    try:
        images = parse_ico(data)
    except FormatError as e:
        report.expect(False, "icon file parses", str(e))
        return
    report.equal("icon file images (size, size, colours, planes, bits)",
                 [expected_directory_entry(s, b) for s, b in ICON_IMAGES], [i[:5] for i in images])
    for (size, bits), image in zip(ICON_IMAGES, images):
        check_dib(image[5], size, bits, "icon %dx%d %d bpp" % (size, size, bits), report)
    if script:
        with tempfile.TemporaryDirectory() as folder:
            redrawn = os.path.join(folder, "redrawn.ico")
            run = subprocess.run([sys.executable, script, redrawn], capture_output=True, text=True)
            if report.equal("icon script runs", 0, run.returncode):
                with open(redrawn, "rb") as f:
                    report.expect(f.read() == data, "icon script redraws the committed file byte for byte",
                                  "run the script and commit its output")


def check_icon_group(resources, report, ico_path=None):
    leaf = resources.get((RT_GROUP_ICON, ICON_GROUP_ID, LANG_DUTCH_NETHERLANDS))
    if not report.expect(leaf is not None, "icon group %d exists in Dutch (Netherlands)" % ICON_GROUP_ID):
        return
    entries = parse_group_icon(leaf.data)
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


def check_exe(data, report, ico_path=None):
    try:
        pe = PeFile(data)
        check_pe_header(pe, report)
        check_imports(pe, report)
        resources = pe.resources()
        for dialog_id in sorted(DIALOGS):
            check_dialog(resources, dialog_id, report)
        check_icon_group(resources, report, ico_path)
        check_manifest(resources, report)
    except FormatError as e:
        report.expect(False, "the exe parses", str(e))


def plant_faults(data):
    """(fault, words the report must contain, patched copy): one fault a broken build could ship
    in each area this check covers."""
    pe = PeFile(data)
    resources = pe.resources()
    dialogs = {i: (resources[RT_DIALOG, i, LANG_DUTCH_NETHERLANDS],
                   parse_dialog_ex(resources[RT_DIALOG, i, LANG_DUTCH_NETHERLANDS].data)) for i in DIALOGS}
    group = resources[RT_GROUP_ICON, ICON_GROUP_ID, LANG_DUTCH_NETHERLANDS]
    manifest = next(leaf for (kind, name, _), leaf in resources.items() if (kind, name) == (RT_MANIFEST, 1))

    def patch(at, fmt, value, *more):
        copy = bytearray(data)
        for at, fmt, value in [(at, fmt, value)] + list(more):
            struct.pack_into("<" + fmt, copy, at, value)
        return bytes(copy)

    def dialog_field(dialog_id, at, fmt, value):
        return patch(dialogs[dialog_id][0].data_at + at, fmt, value)

    name, name_at = pe.imports()[0]
    runtime = ("libgcc" + "_" * max(0, len(name) - 10) + ".dll")[:len(name)]
    main, duration = dialogs[101][1], dialogs[102][1]
    rec, play = main["items"][0], main["items"][1]
    edit = duration["items"][3]
    invoker = manifest.data.index(b"asInvoker")
    yield "console subsystem", "subsystem", patch(pe.subsystem_at, "H", 3)
    yield "an x86-64 machine type", "machine is i386", patch(pe.machine_at, "H", 0x8664)
    yield "a MinGW runtime DLL", "no MinGW runtime DLL", patch(name_at, "%ds" % len(name), runtime.encode())
    yield "dialog in US English", "dialog 101 exists in Dutch", patch(
        dialogs[101][0].language_entry_at, "I", 0x0409)
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


def check_mutations(data):
    report = Report()
    check_exe(data, report)
    clean = report.expect(not report.failures, "the unchanged exe passes", "; ".join(report.failures))
    caught = Report()
    caught.expect(clean, "the unchanged exe passes")
    for fault, words, copy in plant_faults(data):
        planted = Report()
        check_exe(copy, planted)
        caught.expect(any(words in failure for failure in planted.failures), "caught: " + fault,
                      "reported: " + ("; ".join(planted.failures) or "nothing"))
    return caught


def main(argv):
    args = argv[1:]

    def option(name):
        if name in args:
            i = args.index(name)
            value = args[i + 1]
            del args[i:i + 2]
            return value
        return None

    ico_path = option("--ico")
    script = option("--icon-script")
    mutate = option("--mutations")
    if mutate:
        with open(mutate, "rb") as f:
            report = check_mutations(f.read())
    else:
        report = Report()
        if ico_path:
            check_ico_file(ico_path, report, script)
        for exe in args:
            with open(exe, "rb") as f:
                data = f.read()
            check_exe(data, report, ico_path)
            try:
                print("%s imports: %s" % (exe, ", ".join(name for name, _ in PeFile(data).imports())))
            except FormatError:
                pass   # already reported
        if not ico_path and not args:
            print(__doc__)
            return 2
    for failure in report.failures:
        print("FAIL " + failure)
    print("%d passed, %d failed" % (report.passed, len(report.failures)))
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
