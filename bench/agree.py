#!/usr/bin/env python3
"""The plan against the program, case by case: for every medium given, `qpk
try` in each case that the plan's options can express and that plans
something of its own, and a line per case.

  agree.py [--build DIR] <medium folder>...

The cases: a clean machine with the plan's default answers; each of the
player's answers turned the other way (overwrite, start page, create the
folder); the install folder there before; and, where the script's [Version]
names the places, an earlier installation of the same, an older and a newer
version recorded with the planned folder. A case whose plan is the same as
one already tried is left out, and so is one the plan cannot follow to its
end (the folder question asked again and again after No). A Setup.exe of the medium that is no Windows
program (a stand-in of the checker's test media) is left out, so that the
build's program runs, and a medium without Quorin.qpk gets the one `qpk
build` writes, as it would ship. Exit status 0 when every case agrees, 1 otherwise; the
output of a case that does not is kept in <wine folder>/agree/.
"""
import argparse
import contextlib
import io
import json
import os
import shutil
import sys
import tempfile

import plan as plans
import try_medium
import wine

TYPED_FOLDER = "C:\\Games\\Typed"


def case_options(bench, medium_host):
    """The option lists of the cases to try, each planning something the others do not."""
    def plan_of(options):
        return plans.plan_of_medium(bench, medium_host, "C:\\media", bench.template, options)

    base = plan_of([])
    candidates = [[]]
    for name, (_, other) in plans.QUESTIONS:
        candidates.append(["--answer", "%s=%s" % (name, other)])
    candidates.append(["--folder-exists"])
    if any(m["caption"] == plans.FOLDER_DIALOG_CAPTION for m in base["messages"]):
        candidates.append(["--install-dir", TYPED_FOLDER])  # what a player types over the proposed folder
    record = base.get("versionRecord") or []
    check = base.get("versionCheck") or {}
    version = next((int.from_bytes(bytes.fromhex(v["bytes"]), "little") for v in record if v["type"] == 4), None)
    if check.get("versionKey") and check.get("installKey") and version and base.get("installDir"):
        for installed in (version, version - 1, version + 1):
            if installed > 0:
                candidates.append(["--installed-version", str(installed), "--installed-path", base["installDir"]])
    seen, cases = set(), []
    for options in candidates:
        planned = plan_of(options)
        planned.pop("case", None)
        key = json.dumps(planned, sort_keys=True)
        if key not in seen:
            seen.add(key)
            cases.append((options, planned))
    return cases


def medium_as_tried(bench, medium, work):
    """A copy of the medium with what belongs to its test, not to it, left out."""
    copy = os.path.join(work, os.path.basename(os.path.abspath(medium).rstrip("/")))
    shutil.copytree(medium, copy)
    for name in os.listdir(copy):
        path = os.path.join(copy, name)
        if name == "expected" or (name.lower() == "setup.exe" and wine.pe_machine(path) is None):
            os.remove(path)
    if not os.path.isfile(os.path.join(copy, "Quorin.qpk")):  # as it ships: with its manifest
        wine.run([bench.qpk, "build", copy, "-o", os.path.join(copy, "Quorin.qpk")], None)
    return copy


def try_case(bench, medium_host, options, log):
    args = try_medium.option_parser().parse_args([medium_host] + options)
    out = io.StringIO()
    try:
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(out):
            status = try_medium.try_medium(bench, args, medium_host)
    except wine.ScenarioError as e:
        out.write("cannot be tried: %s\n" % e)
        status = 2
    if getattr(bench, "last_case", None):  # the log tells what the prefix would
        bench.remove_prefix(bench.last_case)
        if status == 0:
            wine.remove_file(bench.last_case + ".wine.log")
    if status != 0:
        with open(log, "w") as f:
            f.write(out.getvalue())
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("media", nargs="+")
    parser.add_argument("--build", default=os.path.join(wine.ROOT, "build"))
    args = parser.parse_args()
    bench = wine.Bench(args.build)
    if bench.program.notice:
        print(bench.program.notice)
    bench.ensure_template()
    logs = os.path.join(bench.wine_dir, "agree")
    os.makedirs(logs, exist_ok=True)
    failed = total = 0
    owner = os.environ.get("QS_OWNER")
    with tempfile.TemporaryDirectory(prefix="agree-") as work:
        for medium in [m for m in args.media if os.path.isdir(m)]:
            medium_host = medium_as_tried(bench, medium, work)
            hidden = [f["code"] for f in try_medium.findings_wine_hides(bench, medium_host)]
            if hidden:  # the try would warn and fail whatever the run
                print("skip %s: Wine reads it otherwise than Windows (%s)" % (medium, ", ".join(hidden)))
                continue
            for number, (options, planned) in enumerate(case_options(bench, medium_host), 1):
                described = " ".join(options) or "a clean machine, the plan's answers"
                if planned["exitCode"] is None:  # a run with no end the robot could reach
                    print("skip %s: %s: the plan ends early: %s" % (medium, described, planned.get("endNote")))
                    continue
                total += 1
                log = os.path.join(logs, "%s.%d.log" % (os.path.basename(medium_host), number))
                if owner:  # a prefix per case: none is made anew where the last one was
                    os.environ["QS_OWNER"] = "%s.%d" % (owner, number)
                status = try_case(bench, medium_host, options, log)
                if status == 0:
                    print("ok   %s: %s" % (medium, described))
                else:
                    failed += 1
                    print("DIFF %s: %s (exit status %d; the try's output: %s)" % (medium, described, status, log))
    print("%d of %d cases agree with the plan" % (total - failed, total))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
