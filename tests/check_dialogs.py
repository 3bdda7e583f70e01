#!/usr/bin/env python3
"""Reads the three dialog templates out of Setup.exe and compares every
attribute with the layout the program was designed with: styles, font, size,
and each control's id, class, text, style and position, in tab order."""
import struct
import subprocess
import sys

CLASS_ATOMS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC"}

WS_CHILD_VISIBLE = 0x50000000
EXPECTED = {
    104: dict(style=0x80C800C0, exstyle=0, rect=(0, 0, 199, 141), title="설치 디렉토리 선택", font=(9, "굴림"), items=[
        (1, "BUTTON", "확 인", 0x50010001, (73, 120, 57, 14)),
        (2, "BUTTON", "취 소", 0x50010000, (135, 120, 57, 14)),
        (-1, "BUTTON", "설치 디렉토리", 0x50000007, (7, 77, 185, 34)),
        (1008, "EDIT", "", 0x50810080, (11, 91, 138, 12)),
        (1009, "BUTTON", "위치지정", 0x50010000, (154, 90, 32, 14)),
        (-1, "BUTTON", "", 0x50000007, (7, 2, 185, 72)),
        (1012, "STATIC", "이 프로그램은 타르빅이 제공하는 %s %s 설치 프로그램 입니다.", 0x50020000, (56, 16, 123, 27)),
        (-1, "STATIC", "설치할 디렉토리를 선택해 주십시요.", 0x50020000, (21, 52, 160, 8)),
        (-1, "STATIC", "#101", 0x50000003, (22, 14, 20, 20)),
    ]),
    106: dict(style=0x80C800C0, exstyle=0, rect=(0, 0, 187, 101), title="%s %s 파일 설치중", font=(9, "굴림"), items=[
        (2, "BUTTON", "취소", 0x50010000, (68, 80, 50, 14)),
        (1010, "msctls_progress32", "", 0x50800000, (12, 54, 162, 14)),
        (1011, "STATIC", "", 0x50000000, (12, 20, 162, 8)),
        (-1, "BUTTON", "설치 진행률", 0x50000007, (7, 43, 173, 30)),
        (-1, "BUTTON", "설치 경로", 0x50000007, (7, 7, 173, 30)),
    ]),
    107: dict(style=0x800000C0, exstyle=0, rect=(0, 0, 195, 45), title="", font=(9, "굴림"), items=[
        (-1, "BUTTON", "", 0x50000007, (7, 2, 181, 36)),
        (-1, "STATIC", "단축 아이콘을 만드는 중입니다.", 0x50000000, (47, 13, 99, 8)),
        (-1, "STATIC", "잠시만 기다려 주십시요.", 0x50000000, (59, 24, 76, 8)),
    ]),
}


def sz_or_ord(data, pos):
    (first,) = struct.unpack_from("<H", data, pos)
    if first == 0xFFFF:
        (ordinal,) = struct.unpack_from("<H", data, pos + 2)
        return ("#%d" % ordinal, pos + 4, ordinal)
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return (data[pos:end].decode("utf-16-le"), end + 2, None)


def parse(data):
    ver, sig, _help, exstyle, style, count, x, y, cx, cy = struct.unpack_from("<HHIIIHhhhh", data, 0)
    assert (ver, sig) == (1, 0xFFFF), "not a DIALOGEX template"
    pos = 26
    _menu, pos, _ = sz_or_ord(data, pos)
    _cls, pos, _ = sz_or_ord(data, pos)
    title, pos, _ = sz_or_ord(data, pos)
    points, _weight, _italic, _charset = struct.unpack_from("<HHBB", data, pos)
    face, pos, _ = sz_or_ord(data, pos + 6)
    items = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        _help, _ex, istyle, ix, iy, icx, icy, iid = struct.unpack_from("<IIIhhhhi", data, pos)
        pos += 24
        cls, pos, atom = sz_or_ord(data, pos)
        if atom is not None:
            cls = CLASS_ATOMS.get(atom, cls)
        text, pos, _ = sz_or_ord(data, pos)
        (extra,) = struct.unpack_from("<H", data, pos)
        pos += 2 + extra
        items.append((iid, cls, text, istyle, (ix, iy, icx, icy)))
    return dict(style=style, exstyle=exstyle, rect=(x, y, cx, cy), title=title, font=(points, face), items=items)


def main(exe):
    failures = 0
    for name, want in EXPECTED.items():
        raw = subprocess.run(["wrestool", "-x", "--raw", "--type=5", "--name=%d" % name, exe],
                             stdout=subprocess.PIPE, check=True).stdout
        got = parse(raw)
        for field in ("style", "exstyle", "rect", "title", "font"):
            if got[field] != want[field]:
                print("dialog %d %s: %r, expected %r" % (name, field, got[field], want[field]))
                failures += 1
        if len(got["items"]) != len(want["items"]):
            print("dialog %d: %d controls, expected %d" % (name, len(got["items"]), len(want["items"])))
            failures += 1
        for index, (g, w) in enumerate(zip(got["items"], want["items"])):
            if (g[0], g[1].lower(), g[2], g[3], g[4]) != (w[0], w[1].lower(), w[2], w[3], w[4]):
                print("dialog %d control %d: %r, expected %r" % (name, index + 1, g, w))
                failures += 1
    print("%s: %s" % (exe, "dialogs ok" if failures == 0 else "%d differences" % failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(max(main(exe) for exe in sys.argv[1:]))
