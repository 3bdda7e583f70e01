#!/usr/bin/env python3
"""Table tests of what `qpk try` derives from a plan and reads from a run:
the dialogue the robot answers, its match against transcript lines, and the
command lines read back from Wine's process trace."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import plan as plans  # noqa: E402
import transcript as transcripts  # noqa: E402
import plan as plans  # noqa: E402
import try_medium  # noqa: E402
import wine  # noqa: E402

FOLDER = {"caption": "설치 디렉토리 선택", "text": "C:\\Games\\Q", "answer": "ok"}
CREATE = {"caption": "폴더 생성", "text": "폴더가 존재하지 않습니다.\n만드시겠습니까?", "answer": "yes"}
DONE = {"caption": "설치 완료", "text": "Q 설치가 성공적으로 수행되었습니다.", "answer": ""}
INTRO = 'intro="이 프로그램은 타르빅이 제공하는 Q 1.0 설치 프로그램 입니다."'


class DialogueOfPlan(unittest.TestCase):
    def test_transcripts_against_the_plan(self):
        cases = [
            # (messages, typed folder, transcript, matches)
            ([FOLDER, CREATE, DONE], None,
             ['dialog 104 "설치 디렉토리 선택" edit="C:\\Games\\Q" %s -> ok' % INTRO,
              'box "폴더 생성" "폴더가 존재하지 않습니다.\\n만드시겠습니까?" -> yes',
              'box "설치 완료" "Q 설치가 성공적으로 수행되었습니다." -> ok'], True),
            # the dialog proposed another folder than the plan
            ([FOLDER], None, ['dialog 104 "설치 디렉토리 선택" edit="C:\\Games\\R" %s -> ok' % INTRO], False),
            # a folder typed in: whatever was proposed, the answer types it
            ([FOLDER], "D:\\X", ['dialog 104 "설치 디렉토리 선택" edit="C:\\Games\\R" %s -> set D:\\X;ok' % INTRO], True),
            # another answer than the plan's
            ([CREATE], None, ['box "폴더 생성" "폴더가 존재하지 않습니다.\\n만드시겠습니까?" -> no'], False),
            # a line break lost from the text
            ([CREATE], None, ['box "폴더 생성" "폴더가 존재하지 않습니다. 만드시겠습니까?" -> yes'], False),
        ]
        for messages, typed, transcript, matches in cases:
            expected = plans.dialogue_of_plan({"messages": messages}, typed)
            got = len(expected) == len(transcript) and all(
                transcripts.dialogue_matches(line, want) for line, want in zip(transcript, expected))
            self.assertEqual(got, matches, (expected, transcript))

    def test_answers_given_to_the_robot(self):
        expected = plans.dialogue_of_plan({"messages": [FOLDER, CREATE, DONE]}, "D:\\X")
        self.assertEqual(transcripts.answers_for(expected), ["104 set D:\\X;ok", "box yes", "box ok"])


RECORDED = ["--installed-path", "C:\\Games\\Old"]
START = {"caption": "시작페이지 등록", "text": "기본 페이지로 등록하시겠습니까?", "answer": "no"}


def plan_for_fake_medium(options):
    """What `qpk plan` answers for a medium with the folder dialog, the start-page
    offer and the folder question, as the options set the answers."""
    answers = {}
    for i, o in enumerate(options):
        if o == "--answer":
            name, value = options[i + 1].split("=")
            answers[name] = value
    recorded = options[options.index("--installed-path") + 1] if "--installed-path" in options else None
    install_dir = options[options.index("--install-dir") + 1] if "--install-dir" in options else \
        recorded or "C:\\Games\\Q"
    messages = [FOLDER, dict(START, answer=answers.get("start-page", "no"))]
    if not ("--folder-exists" in options or (recorded is not None and "--folder-missing" not in options)):
        messages.append(dict(CREATE, answer=answers.get("create-folder", "yes")))
    exists = "--folder-exists" in options or (recorded is not None and "--folder-missing" not in options)
    return {"messages": messages, "installDir": install_dir, "case": {"folderExists": exists}}


class CaseOfDialogue(unittest.TestCase):
    def test_the_case_a_scenario_plays(self):
        folder = 'dialog 104 "설치 디렉토리 선택" edit="C:\\Games\\Q" -> %s'
        start = 'box "시작페이지 등록" "기본 페이지로 등록하시겠습니까?" -> %s'
        create = 'box "폴더 생성" "폴더가 존재하지 않습니다.\\n만드시겠습니까?" -> %s'
        cases = [
            # (name, earlier installation, dialogue, folders there before, the options found or None)
            ("the plan's own answers", [], [folder % "ok", start % "no", create % "yes"], set(), []),
            ("the offer taken", [], [folder % "ok", start % "yes", create % "yes"], set(),
             ["--answer", "start-page=yes"]),
            ("two answers turned", [], [folder % "ok", start % "yes", create % "no"], set(),
             ["--answer", "start-page=yes", "--answer", "create-folder=no"]),
            ("a typed folder", [], [folder % "set D:\\X;ok", start % "no", create % "yes"], set(), ["--install-dir", "D:\\X"]),
            ("a folder there before", [], [folder % "ok", start % "no"], {"C:\\Games\\Q"}, ["--folder-exists"]),
            ("the folder asked again", [], [folder % "set D:\\X;ok", start % "no", create % "no",
                                        folder % "set D:\\Y;ok", start % "no", create % "yes"], set(), None),
            ("a cancel", [], [folder % "cancel"], set(), None),
            ("windows no case shows", [], [folder % "ok", create % "yes"], set(), None),
            ("a recorded folder that is gone", RECORDED, [folder % "ok", start % "no", create % "yes"], set(),
             RECORDED + ["--folder-missing"]),
            ("a recorded folder still there", RECORDED, [folder % "ok", start % "no"], {"C:\\Games\\Old"}, RECORDED),
        ]
        for name, machine, dialogue, there, expected in cases:
            with self.subTest(name):
                case = plans.case_of_dialogue(plan_for_fake_medium, dialogue, lambda path: path in there, machine)
                self.assertEqual(case and case[0], expected)

    def test_earlier_installations_the_options_describe(self):
        check = {"versionKey": "HKCU\\Software\\S\\G", "versionName": "Version",
                 "installKey": "HKCU\\Software\\S\\G", "installName": "Path"}
        version = ["HKCU\\Software\\S\\G", "/v", "Version", "/t", "REG_DWORD", "/d", "100", "/f"]
        path = ["hkcu\\software\\s\\g", "/v", "path", "/d", "C:\\Games\\Old", "/f"]
        cases = [
            ("a version and a folder", [version, path],
             ["--installed-version", "100", "--installed-path", "C:\\Games\\Old"]),
            ("the version as text", [version[:4] + ["REG_SZ"] + version[5:]], None),
            ("another value", [["HKCU\\Software\\S\\G", "/v", "Other", "/d", "x", "/f"]], None),
            ("another key", [["HKCU\\Software\\T", "/v", "Version", "/t", "REG_DWORD", "/d", "1"]], None),
            ("an unknown switch", [version + ["/reg:64"]], None),
            ("the root written in full", [["HKEY_CURRENT_USER" + version[0][4:]] + version[1:]],
             ["--installed-version", "100"]),
        ]
        for name, lines, expected in cases:
            with self.subTest(name):
                self.assertEqual(plans.earlier_installation(check, lines), expected)


class ProcessTrace(unittest.TestCase):
    def test_command_lines(self):
        cases = [
            (r'regedit.exe /s \"C:\\Games\\Q\\a.reg\"', 'regedit.exe /s "C:\\Games\\Q\\a.reg"'),
            (r'\"C:\\Games\\\c870\b9b0\\setup.exe\" /q', '"C:\\Games\\조린\\setup.exe" /q'),
            (r'a.exe x\ty', 'a.exe x\ty'),
        ]
        for traced, command in cases:
            self.assertEqual(wine.unescape_trace(traced), command)

    def test_only_the_setups_own_starts(self):
        def created(thread, image, pid):
            return '%s:trace:process:NtCreateUserProcess L"\\\\??\\\\%s" pid %s tid 0200 handles 0x4/0x8' % (
                thread, image, pid)

        class Ctx:
            medium = "C:\\media"
            robot_output = "\n".join([
                '0100:0104:trace:loaddll:build_module Loaded L"C:\\\\robot\\\\robot.exe" at 00400000: native',
                '0100:0104:trace:process:CreateProcessInternalW app (null) cmdline L"C:\\\\media\\\\Setup.exe"',
                created("0100:0104", "C:\\\\media\\\\Setup.exe", "0120"),
                '0120:0124:trace:loaddll:build_module Loaded L"C:\\\\media\\\\Setup.exe" at 00400000: native',
                '0120:0124:trace:process:CreateProcessInternalW app (null) cmdline '
                'L"C:\\\\windows\\\\system32\\\\winemenubuilder.exe -w \\"C:\\\\x.lnk\\""',
                created("0120:0124", "C:\\\\windows\\\\system32\\\\winemenubuilder.exe", "0130"),
                '0120:0124:trace:process:CreateProcessInternalW app (null) cmdline L"regedit.exe /s a.reg"',
                created("0120:0124", "C:\\\\windows\\\\regedit.exe", "0140"),
                # handed to CreateProcess, refused by Windows: nothing started
                '0120:0124:trace:process:CreateProcessInternalW app (null) cmdline L"C:\\\\Games\\\\config.exe"',
                '0120:0124:trace:process:NtCreateUserProcess L"\\\\??\\\\C:\\\\Games\\\\config.exe" image '
                'L"C:\\\\Games\\\\config.exe" cmdline L"C:\\\\Games\\\\config.exe" parent (nil)',
            ]).encode("utf-8")
        self.assertEqual(wine.started_programs(Ctx()), ["regedit.exe /s a.reg"])



def pe_file(folder, name, machine):
    """A file with the headers of a Windows program for `machine` (None: no PE header)."""
    head = bytearray(b"MZ" + bytes(0x3A) + (0x80).to_bytes(4, "little") + bytes(0x40))
    if machine is not None:
        head += b"PE\0\0" + machine.to_bytes(2, "little") + bytes(18)
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(bytes(head))
    return path


class ProgramOfTry(unittest.TestCase):
    def test_which_setup_exe_runs(self):
        class Bench:
            def __init__(self, build, wow64):
                self.build = build
                self.program = wine.Program.__new__(wine.Program)
                self.program.wow64 = wow64
        cases = [
            # (machine of the medium's Setup.exe or "shipped" for this tree's PE32, name on the medium,
            #  bench runs 32-bit programs, replaced, text the note holds)
            ("shipped", "Setup.exe", False, True, "this tree's build/win32/Setup.exe"),
            ("shipped", "SETUP.EXE", False, True, "this tree's build/win32/Setup.exe"),
            (0x14C, "Setup.exe", False, True, "a 32-bit build other than this tree's"),
            ("shipped", "Setup.exe", True, False, None),
            (0x8664, "Setup.exe", False, False, None),
            (None, "Setup.exe", False, False, None),  # no Windows program: started as it is, and refused
            ("absent", None, False, False, "the medium has no Setup.exe"),
        ]
        with tempfile.TemporaryDirectory() as work:
            build = os.path.join(work, "build")
            os.makedirs(os.path.join(build, "win32"))
            shipped = pe_file(os.path.join(build, "win32"), "Setup.exe", 0x14C)
            with open(shipped, "ab") as f:
                f.write(b"this tree's build")
            for machine, name, wow64, replaced, note in cases:
                medium = tempfile.mkdtemp(dir=work)
                if machine == "shipped":
                    shutil.copyfile(shipped, os.path.join(medium, name))
                elif machine != "absent":
                    pe_file(medium, name, machine)
                got_replaced, got_note = try_medium.program_of_try(Bench(build, wow64), medium)
                self.assertEqual(got_replaced, replaced, (machine, name, wow64))
                if note is None:
                    self.assertIsNone(got_note, (machine, name, wow64))
                else:
                    self.assertIn(note, got_note or "", (machine, name, wow64))

    def test_machine_of_a_program(self):
        with tempfile.TemporaryDirectory() as work:
            for machine, want in ((0x14C, "i386"), (0x8664, "x86_64"), (0xAA64, "aa64"), (None, None)):
                self.assertEqual(wine.pe_machine(pe_file(work, "p.exe", machine)), want)
            with open(os.path.join(work, "two.exe"), "wb") as f:
                f.write(b"MZ")
            self.assertIsNone(wine.pe_machine(os.path.join(work, "two.exe")))
            self.assertIsNone(wine.pe_machine(os.path.join(work, "missing.exe")))


class NamesAsWindowsFindsThem(unittest.TestCase):
    def test_path_without_case(self):
        with tempfile.TemporaryDirectory() as work:
            os.makedirs(os.path.join(work, "Data", "Maps"))
            open(os.path.join(work, "Data", "Maps", "README.TXT"), "w").close()
            cases = [
                ("data\\maps\\readme.txt", os.path.join(work, "Data", "Maps", "README.TXT")),
                ("DATA\\MAPS\\README.TXT", os.path.join(work, "Data", "Maps", "README.TXT")),
                ("data\\other.txt", os.path.join(work, "Data", "other.txt")),  # missing: as named
            ]
            for name, want in cases:
                self.assertEqual(wine.path_without_case(work, name.split("\\")), want, name)

class DifferencesAgainstThePlan(unittest.TestCase):
    class Ctx:
        def __init__(self):
            self.failures = []

        def fail(self, message):
            self.failures.append(message)

    def test_follow_on_differences_told_once(self):
        cases = [
            # (items, the one line reported, or None for none)
            ([], None),
            (["C:\\G\\a"], "plan: C:\\G\\a is missing"),
            (["a", "b"], "plan: 2 planned files are missing: a, b"),
            (["a", "b", "c"], "plan: 3 planned files are missing: a, b, c"),
            (["f%02d" % n for n in range(65)], "plan: 65 planned files are missing: f00, f01, f02 and 62 more"),
        ]
        for items, want in cases:
            ctx = self.Ctx()
            plans.fail_counted(ctx, items, "plan: %s is missing", "plan: %d planned files are missing: %s")
            self.assertEqual(ctx.failures, [want] if want else [], items)

    def test_text_values_counted_in_bytes_as_the_plan_counts_them(self):
        cases = [
            # (the value Wine keeps, its bytes in code page 949 with the terminating zero)
            ("C:\\Games\\Quorin\0", 16),
            ("쿼린\0", 5),             # two syllables of two bytes each
            ("쿼린 1.0\0", 9),
            ("\0", 1),
        ]
        for text, size in cases:
            self.assertEqual(wine.sz_size(text), size, text)
            self.assertIn("(%d bytes)" % size, wine.describe_value((1, text.encode("utf-16-le"), "")), text)

    def test_files_an_earlier_run_installed_may_stay(self):
        full = {"installDir": "C:\\Games\\Q", "files": [{"destination": "C:\\Games\\Q\\data\\a.map"}]}
        update = {"installDir": "C:\\Games\\Q", "files": [{"destination": "C:\\Games\\Q\\b.txt"}]}
        self.assertEqual(plans.installed_names(full), {"data\\a.map"})
        self.assertEqual(plans.installed_names(update) | plans.installed_names(full), {"b.txt", "data\\a.map"})
        self.assertEqual(plans.installed_names(None), set())
        self.assertEqual(plans.planned_values(None), {})


if __name__ == "__main__":
    unittest.main()
