#!/usr/bin/env python3
"""The Wine test bench: runs scenarios against the real Setup.exe (see
scenario.py for the language), or the sample medium as `make demo` does.

Which program runs: the shipped build/win32/Setup.exe when this machine runs
32-bit programs under Wine; otherwise build/win64/Setup.exe, and every run
says so. --program win64 (or QS_PROGRAM=win64) runs the x86_64 build;
QS_NO_32BIT=1 behaves as on a machine that cannot run 32-bit programs, and
--fallback runs a scenario so, skipped (exit status 77) where the scenarios
already run the fallback.
"""
import argparse
import os
import sys

from scenario import run_scenario
from wine import SKIPPED, Bench, Program, ROOT, ScenarioError

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--prefix-only", action="store_true", help="only create the template prefix")
    parser.add_argument("--demo", action="store_true", help="print the transcript and what was installed")
    parser.add_argument("--preview", action="store_true",
                        help="run on an Xvfb screen and take a picture of the backdrop and of every window")
    parser.add_argument("--program", choices=("win32", "win64"),
                        help="the Setup.exe to run (default: win32 where 32-bit programs run, else win64)")
    parser.add_argument("--which", action="store_true", help="only say which program the scenarios run")
    parser.add_argument("scenarios", nargs="*")
    # Another build of the program, such as a signed copy: it runs in place of
    # <build>/<program>/Setup.exe, in prefixes of their own ("<scenario>.other").
    parser.add_argument("--setup-exe", help="the Setup.exe to run instead of the build's")
    parser.add_argument("--fallback", action="store_true",
                        help="run as on a machine that cannot run 32-bit programs (QS_NO_32BIT=1); "
                             "skipped (exit status 77) where the scenarios already run the fallback")
    parser.add_argument("--exec", nargs=argparse.REMAINDER, dest="command",
                        help="with --fallback: run this command (such as a qpk try) instead of scenarios")
    args = parser.parse_args()
    if args.fallback:
        if not Program(os.path.abspath(args.build), args.program).wow64:
            print("SKIP: the scenarios of this run already run the fallback, build/win64/Setup.exe")
            return SKIPPED
        os.environ["QS_NO_32BIT"] = "1"
        if args.command:
            sys.stdout.flush()
            os.execvp(args.command[0], args.command)
    bench = Bench(args.build, args.program)
    if args.setup_exe:
        bench.setup_exe = os.path.abspath(args.setup_exe)
        bench.case_suffix = ".other"
    if bench.program.notice:
        print(bench.program.notice)
    if args.which:
        print("Wine scenarios run %s" % bench.program.describe())
        return 0
    if args.demo:
        print("Program: %s" % bench.program.describe())
    if args.prefix_only:
        bench.ensure_template()
        return 0
    ok = True
    for path in args.scenarios:
        try:
            ok = run_scenario(bench, path, demo=args.demo, preview=args.preview) and ok
        except ScenarioError as e:
            print("FAIL %s: %s" % (path, e))
            ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

