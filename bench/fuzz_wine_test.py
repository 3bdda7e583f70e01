#!/usr/bin/env python3
"""Table tests of the Wine fuzzer's own decisions: the mutations it makes, the
places a run may write, the class of a run's end and the order of the cases."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fuzz_wine  # noqa: E402

MUTATIONS = dict(fuzz_wine.LINE_MUTATIONS)


def manifest(total, names):
    data = fuzz_wine.u32(total) + fuzz_wine.u32(len(names))
    for name in names:
        data += fuzz_wine.u32(len(name) + 1) + name + b"\0"
    return data


class LineMutations(unittest.TestCase):
    def test_mutations_of_a_line(self):
        script = [b"[Main]", b"Name=Q", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]
        cases = [
            # (mutation, line index, expected lines or None where it does not apply)
            ("count one more", 3, [b"[Main]", b"Name=Q", b"[Title]", b"Count=3", b"1=a, 12", b"2=b, 3"]),
            ("count one less", 3, [b"[Main]", b"Name=Q", b"[Title]", b"Count=1", b"1=a, 12", b"2=b, 3"]),
            ("count one more", 1, None),
            ("number -1", 4, [b"[Main]", b"Name=Q", b"[Title]", b"Count=2", b"1=a, -1", b"2=b, 3"]),
            ("number 0", 1, None),  # no number in the value
            ("missing =", 1, [b"[Main]", b"Name Q", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]),
            ("missing =", 0, None),
            ("duplicate key", 1, [b"[Main]", b"Name=Q", b"Name=Q", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]),
            ("duplicate section", 0, script + [b"[Main]", b"Name=Q"]),
            ("duplicate section", 1, None),
            ("path C:\\fuzz-absolute", 4,
             [b"[Main]", b"Name=Q", b"[Title]", b"Count=2", b"1=a, C:\\fuzz-absolute", b"2=b, 3"]),
            ("path CON", 1, [b"[Main]", b"Name=CON", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]),
            ("NUL byte", 1, [b"[Main]", b"Nam\0e=Q", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]),
            ("lone lead byte at the end", 1,
             [b"[Main]", b"Name=Q\xb0", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]),
            ("empty line", 1, [b"[Main]", b"", b"[Title]", b"Count=2", b"1=a, 12", b"2=b, 3"]),
        ]
        for name, index, expected in cases:
            with self.subTest(mutation=name, line=index):
                self.assertEqual(MUTATIONS[name](list(script), index), expected)

    def test_many_lines_numbers_every_line_up_to_the_count(self):
        lines = MUTATIONS["many lines"]([b"[Title]", b"Count=2", b"1=a", b"2=b", b"[Next]"], 1)
        self.assertEqual(lines[1], b"Count=%d" % fuzz_wine.MANY)
        self.assertEqual(lines[2:4], [b"1=a", b"2=b"])
        self.assertEqual(lines[4], b"3=b")
        self.assertEqual(lines[-2], b"%d=b" % fuzz_wine.MANY)
        self.assertEqual(lines[-1], b"[Next]")


class ManifestMutations(unittest.TestCase):
    def test_a_renamed_entry_is_read_back_with_the_rest_unchanged(self):
        data = manifest(100, [b"a.txt", b"data\\b.map", b"c.exe"])
        for name in (b"..\\media\\a.txt", b"C:\\x.txt", b"a" * 259):
            with self.subTest(name=name):
                renamed = fuzz_wine.with_name(data, fuzz_wine.read_entries(data), 1, name)
                self.assertEqual([n for _, n in fuzz_wine.read_entries(renamed)], [b"a.txt", name, b"c.exe"])

    def test_every_kind_is_made_from_a_manifest(self):
        kinds = {kind for kind, _, _ in fuzz_wine.manifest_mutations(manifest(10, [b"a.txt", b"b.txt"]), [b"a.txt"])}
        self.assertEqual(kinds, {"truncated", "flipped byte", "entry count", "total size", "name length", "name",
                                 "many entries", "trailing bytes"})


class Places(unittest.TestCase):
    def test_places_a_script_names(self):
        cases = [
            (b"[Main]\r\nDefault Path=C:\\Games\\Q\r\n", ["C:\\Games\\Q"]),
            # a folder that is no path of drive C: names no place of the prefix
            (b"Default Path=\\\\server\\share\r\nDefault Path=Games\r\n", []),
            # "Version Path" and "Install Path" name a key and a value
            (b"Version Path=HKEY_LOCAL_MACHINE\\Software\\Q\\Version\r\n", ["HKEY_LOCAL_MACHINE\\Software\\Q"]),
            (b"Install Path=HKEY_CURRENT_USER\\Software\\Q\\Path\r\n", ["HKEY_CURRENT_USER\\Software\\Q"]),
            (b"1=HKEY_CURRENT_USER\\Software\\Q\\Settings\r\n[HKEY_CURRENT_USER\\Software\\Q\\Settings]\r\n",
             ["HKEY_CURRENT_USER\\Software\\Q\\Settings", "HKEY_CURRENT_USER\\Software\\Q\\Settings"]),
            # a root the confinement check cannot place is left out
            (b"1=HKEY_DYN_DATA\\X\r\n", []),
        ]
        for script, expected in cases:
            with self.subTest(script=script):
                self.assertEqual(fuzz_wine.script_places(script), expected)


class Context:
    def __init__(self, transcript, exit_code, killed=False, failures=()):
        self.transcript = transcript
        self.exit_code = exit_code
        self.killed = killed
        self.failures = list(failures)


class Classes(unittest.TestCase):
    def test_class_of_a_run(self):
        folder = 'dialog 104 "설치 디렉토리 선택" edit="C:\\Q" intro="x" -> ok'
        cases = [
            # (transcript, exit code, killed, failures, class, outside, folder again)
            (["exit 0"], 0, False, [], "exit 0", False, False),
            (["exit -1"], -1, False, [], "exit -1", False, False),
            (["exit 1"], 1, False, [], "exit 1", False, False),
            (["exit -1073741819"], -1073741819, False, [], "crash", False, False),
            (["timeout", "killed"], None, True, ["timeout"], "hang", False, False),
            (["box \"a\" \"b\" -> ok", "robot: window loop: box \"a\" \"b\"", "killed"], None, True, [], "loop",
             False, False),
            ([folder, folder.replace("-> ok", "-> cancel"), "exit 0"], 0, False, [], "exit 0", False, True),
            (["exit 0"], 0, False, ["outside the confined places: C:\\x added", "unexpected window: box"],
             "exit 0", True, False),
            (["killed"], None, True, [], "bench", False, False),
        ]
        for transcript, code, killed, failures, end, outside, again in cases:
            with self.subTest(transcript=transcript):
                outcome = fuzz_wine.classify(Context(transcript, code, killed, failures))
                self.assertEqual((outcome["class"], bool(outcome["outside"]), outcome["folder_again"]),
                                 (end, outside, again))


class Order(unittest.TestCase):
    def test_a_seed_repeats_its_cases_and_every_kind_comes_early(self):
        kinds = {"a": list(range(10)), "b": list(range(10, 20)), "c": [20]}
        first = fuzz_wine.interleave(kinds, "1", 12)
        self.assertEqual(first, fuzz_wine.interleave(kinds, "1", 12))
        self.assertNotEqual(first, fuzz_wine.interleave(kinds, "2", 12))
        self.assertEqual({x // 10 for x in first[:3]}, {0, 1, 2})
        self.assertEqual(len(first), 12)
        self.assertEqual(len(fuzz_wine.interleave(kinds, "1", 100)), 21)


if __name__ == "__main__":
    unittest.main()
