#!/usr/bin/env python3
"""What Windows reads from Setup.exe before it runs it: the application
manifest (resource 24, id 1), read back with an XML parser, and the version
resource (resource 16, id 1), decoded from its VS_VERSIONINFO blocks.

  check_release_resources.py <version a.b.c.d> <Setup.exe>...

Both are taken out of the executable with wrestool, as any tool would see them.
"""
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
# Settings that would change how the program looks or reads its texts.
LOOK_SETTINGS = ("dpiAware", "dpiAwareness", "activeCodePage", "longPathAware", "gdiScaling")

KOREAN = 0x0412
UNICODE = 1200
VFT_APP = 1
FIXED_SIGNATURE = 0xFEEF04BD


def resource(exe, kind):
    out = subprocess.run(["wrestool", "-x", "--raw", "--type=%d" % kind, "--name=1", exe],
                         stdout=subprocess.PIPE, check=True).stdout
    return out


def check_manifest(exe, fail):
    data = resource(exe, 24)
    if not data:
        fail("no manifest (resource 24, id 1)")
        return
    root = ET.fromstring(data)
    if root.tag != "{%s}assembly" % ASM_V1 or root.get("manifestVersion") != "1.0":
        fail("manifest root is %s manifestVersion=%s" % (root.tag, root.get("manifestVersion")))
    levels = root.findall(".//{%s}trustInfo/{%s}security/{%s}requestedPrivileges/{%s}requestedExecutionLevel"
                          % (ASM_V3, ASM_V3, ASM_V3, ASM_V3))
    if len(levels) != 1:
        fail("manifest has %d requestedExecutionLevel elements, not 1" % len(levels))
    else:
        level = levels[0]
        if level.get("level") != "requireAdministrator":
            fail("execution level is %r, not requireAdministrator" % level.get("level"))
        if level.get("uiAccess") != "false":
            fail("uiAccess is %r, not false" % level.get("uiAccess"))
    ids = [e.get("Id", "").lower() for e in root.findall(".//{%s}application/{%s}supportedOS" % (COMPAT, COMPAT))]
    if sorted(ids) != sorted(SUPPORTED_OS):
        missing = [SUPPORTED_OS[i] for i in SUPPORTED_OS if i not in ids]
        fail("supportedOS entries %s; missing: %s" % (ids, ", ".join(missing) or "none"))
    for element in root.iter():
        name = element.tag.split("}")[-1]
        if name in LOOK_SETTINGS:
            fail("manifest sets %s, which changes how the program looks or reads text" % name)
        if name == "assemblyIdentity" and element.get("name") == "Microsoft.Windows.Common-Controls":
            fail("manifest asks for common controls 6 (visual styles)")


def version_blocks(data, start, end):
    """The child blocks of a version-resource block: (key, value bytes, value length, type, children span)."""
    pos = start
    while pos + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, pos)
        if length == 0:
            break
        key_end = pos + 6
        while struct.unpack_from("<H", data, key_end)[0] != 0:
            key_end += 2
        key = data[pos + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if kind == 1 else value_length
        value = data[value_at:value_at + value_size]
        children = ((value_at + value_size + 3) & ~3, pos + length)
        yield key, value, kind, children
        pos = (pos + length + 3) & ~3


def check_version(exe, version, fail):
    data = resource(exe, 16)
    if not data:
        fail("no version resource (resource 16, id 1)")
        return
    top = list(version_blocks(data, 0, len(data)))
    if len(top) != 1 or top[0][0] != "VS_VERSION_INFO":
        fail("version resource does not start with VS_VERSION_INFO")
        return
    _, fixed, _, (child_start, child_end) = top[0]
    (signature, _struct_version, file_ms, file_ls, product_ms, product_ls, _mask, flags, _os, file_type,
     _subtype, _date_ms, _date_ls) = struct.unpack_from("<13I", fixed)
    if signature != FIXED_SIGNATURE:
        fail("VS_FIXEDFILEINFO signature %#x" % signature)
    numbers = tuple(int(n) for n in version.split("."))
    as_numbers = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    if as_numbers(file_ms, file_ls) != numbers:
        fail("file version %s, the build's version is %s" % (as_numbers(file_ms, file_ls), version))
    if as_numbers(product_ms, product_ls) != numbers:
        fail("product version %s, the build's version is %s" % (as_numbers(product_ms, product_ls), version))
    if file_type != VFT_APP or flags != 0:
        fail("file type %d, flags %#x: not a released application" % (file_type, flags))
    strings, translations = {}, []
    for key, _, _, (start, end) in version_blocks(data, child_start, child_end):
        if key == "StringFileInfo":
            for table, _, _, (tstart, tend) in version_blocks(data, start, end):
                strings[table] = {k: v.decode("utf-16-le").rstrip("\0")
                                  for k, v, _, _ in version_blocks(data, tstart, tend)}
        elif key == "VarFileInfo":
            for name, value, _, _ in version_blocks(data, start, end):
                if name == "Translation":
                    translations += [struct.unpack_from("<HH", value, i) for i in range(0, len(value), 4)]
    table = "%04x%04x" % (KOREAN, UNICODE)
    if list(strings) != [table]:
        fail("string tables %s, expected only %s (Korean, Unicode)" % (list(strings), table))
        return
    if translations != [(KOREAN, UNICODE)]:
        fail("translations %s, expected Korean with code page 1200" % translations)
    texts = strings[table]
    want = {"FileVersion": version, "ProductVersion": version, "OriginalFilename": "Setup.exe",
            "FileDescription": "게임 설치 프로그램"}
    for name, value in want.items():
        if texts.get(name) != value:
            fail("%s is %r, expected %r" % (name, texts.get(name), value))
    for name in ("CompanyName", "ProductName", "InternalName"):
        if not texts.get(name):
            fail("%s is empty" % name)


def main(version, exes):
    failures = []
    for exe in exes:
        fail = lambda text, exe=exe: failures.append("%s: %s" % (exe, text))
        check_manifest(exe, fail)
        check_version(exe, version, fail)
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("manifest and version resource ok (%s) in %s" % (version, ", ".join(exes)))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
