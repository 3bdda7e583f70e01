#!/usr/bin/env python3
"""Table tests of what `qpk try` derives from a plan and reads from a run:
the dialogue the robot answers, its match against transcript lines, and the
command lines read back from Wine's process trace."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run  # noqa: E402
import try_medium  # noqa: E402

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
            expected = try_medium.dialogue_of_plan({"messages": messages}, typed)
            got = len(expected) == len(transcript) and all(
                run.dialogue_matches(line, want) for line, want in zip(transcript, expected))
            self.assertEqual(got, matches, (expected, transcript))

    def test_answers_given_to_the_robot(self):
        expected = try_medium.dialogue_of_plan({"messages": [FOLDER, CREATE, DONE]}, "D:\\X")
        self.assertEqual(run.answers_for(expected), ["104 set D:\\X;ok", "box yes", "box ok"])


class ProcessTrace(unittest.TestCase):
    def test_command_lines(self):
        cases = [
            (r'regedit.exe /s \"C:\\Games\\Q\\a.reg\"', 'regedit.exe /s "C:\\Games\\Q\\a.reg"'),
            (r'\"C:\\Games\\\c870\b9b0\\setup.exe\" /q', '"C:\\Games\\조린\\setup.exe" /q'),
            (r'a.exe x\ty', 'a.exe x\ty'),
        ]
        for traced, command in cases:
            self.assertEqual(run.unescape_trace(traced), command)

    def test_only_the_setups_own_starts(self):
        class Ctx:
            medium = "C:\\media"
            robot_output = "\n".join([
                '0100:0104:trace:loaddll:build_module Loaded L"C:\\\\robot\\\\robot.exe" at 00400000: native',
                '0100:0104:trace:process:CreateProcessInternalW app (null) cmdline L"C:\\\\media\\\\Setup.exe"',
                '0120:0124:trace:loaddll:build_module Loaded L"C:\\\\media\\\\Setup.exe" at 00400000: native',
                '0120:0124:trace:process:CreateProcessInternalW app (null) cmdline '
                'L"C:\\\\windows\\\\system32\\\\winemenubuilder.exe -w \\"C:\\\\x.lnk\\""',
                '0120:0124:trace:process:CreateProcessInternalW app (null) cmdline L"regedit.exe /s a.reg"',
            ]).encode("utf-8")
        self.assertEqual(run.started_programs(Ctx()), ["regedit.exe /s a.reg"])


if __name__ == "__main__":
    unittest.main()
