#!/usr/bin/env python3
"""Tries an installation medium as it will ship: `qpk try` runs this.

  try_medium.py [--build DIR] [--qpk QPK] [--wine-dir DIR] <medium folder> [--cdrom]
                [--shots DIR] [--screen WxH] [--keep] [--install-dir P] [--installed-version N]
                [--installed-path P] [--answer NAME=yes|no]... [--program win32|win64]
                [--after <full medium folder>]

The medium is copied byte for byte (its CP949 Setup.ini, its Quorin.qpk,
its Setup.exe; a medium without Setup.exe gets the shipped
build/win32/Setup.exe) into a fresh Wine prefix, at C:\\media or, with
--cdrom, at the root of a CD-ROM drive D:. `qpk plan` says what the player
will be asked and what will be installed for the machine and the answers
given; the bench's robot answers exactly so, headless, and the run is held
against the plan: the windows the player saw, the exit code, the registry
values, the files, the shared files, the links and the programs started.
Prints what the player saw, what was installed and every difference; exit
status 0 when the run is what the plan says, 1 when it is not, 2 when the
medium or the options cannot be tried. --shots saves a picture of the
backdrop and of every window into DIR (Xvfb), each named after what it
shows, on a screen of --screen's size (default 1024x768).

With --after, the medium is an update: the full medium named is installed
first, as above, and the update then over it in the same prefix, the disc
swapped as a player swaps it. The update's plan is made for the machine the
first run left: the version number and the folder recorded where the
update's [Version] reads them, and whether its install folder is there. Each
run is held against its own plan; what the first run installed may stay.
"""
import argparse
import hashlib
import json
import os
import shlex
import shutil
import sys

import plan as plans
import scenario
import wine

SCREENS = ("640x480", "800x600", "1024x768")


def plan_options(args):
    """The options that describe the machine and the answers, as `qpk plan` takes them."""
    options = []
    for name in ("install_dir", "installed_version", "installed_path"):
        value = getattr(args, name)
        if value is not None:
            options += ["--" + name.replace("_", "-"), str(value)]
    if args.folder is not None:
        options.append("--folder-" + args.folder)
    for answer in args.answer:
        options += ["--answer", answer]
    return options


def value_option(name):
    """wine reg's way to name a value; the key's default value has no name."""
    return '/v "%s"' % name if name else "/ve"


def version_preparation(plan, args):
    """wine reg lines that leave the earlier installation the options describe."""
    lines = []
    check = plan.get("versionCheck", {})
    if args.installed_version is not None:
        if not check.get("versionKey"):
            raise wine.ScenarioError("--installed-version: the script's [Version] names no usable "
                                          "\"Version Path\" where the number could be found")
        lines.append('reg add "%s" %s /t REG_DWORD /d %d /f'
                     % (check["versionKey"], value_option(check["versionName"]), args.installed_version))
    if args.installed_path is not None:
        if not check.get("installKey"):
            raise wine.ScenarioError("--installed-path: the script's [Version] names no usable "
                                          "\"Install Path\" where the folder could be found")
        lines.append('reg add "%s" %s /d "%s" /f' % (check["installKey"], value_option(check["installName"]),
                                                     args.installed_path))
    return lines


def has_file(folder, name):
    return any(entry.lower() == name.lower() for entry in os.listdir(folder))


# Findings of `qpk check` whose effect Wine does not show: the run shows Wine's
# reading, not what a player's Windows does.
WINE_READS_OTHERWISE = {
    "script-utf8": "Wine reads a UTF-8 Setup.ini (with or without a byte-order mark) as UTF-8 and shows its "
                   "Korean right; Windows reads it as code page 949 and shows it garbled (and a byte-order "
                   "mark as text, so that the first section is not found)",
}


def findings_wine_hides(bench, medium_host):
    """The findings of `qpk check` on the medium whose effect this run cannot show."""
    r = wine.run([bench.qpk, "check", medium_host, "--json"], None, check=False)
    try:
        findings = json.loads(r.stdout.decode("utf-8", errors="replace"))["findings"]
    except (ValueError, KeyError):
        raise wine.ScenarioError("qpk check could not read the medium: %s"
                                      % r.stdout.decode("utf-8", errors="replace").strip())
    return [f for f in findings if f["code"] in WINE_READS_OTHERWISE]


def same_bytes(a, b):
    try:
        with open(a, "rb") as fa, open(b, "rb") as fb:
            return fa.read() == fb.read()
    except OSError:
        return False


def program_of_try(bench, medium_host):
    """Which Setup.exe the run starts: (True when the program under test replaces
    the medium's own, the line that says which it is)."""
    own = wine.path_without_case(medium_host, ["Setup.exe"])
    if not os.path.isfile(own):
        return False, "NOTE: the medium has no Setup.exe: it is tried with %s" % bench.program.describe()
    if wine.pe_machine(own) == "i386" and not bench.program.wow64:
        shipped = os.path.join(bench.build, "win32", "Setup.exe")
        if same_bytes(own, shipped):
            which = "this tree's build/win32/Setup.exe (PE32)"
        else:
            which = "a 32-bit build other than this tree's build/win32/Setup.exe (the run shows this tree's program)"
        return True, ("NOTE: the medium's Setup.exe is %s, which this machine cannot run: the tried copy has "
                      "build/win64/Setup.exe, the same program built for x86_64, in its place" % which)
    return False, None


def copy_hold_lines(plan, medium_host):
    """The medium line that holds the copy for its picture: the first two files
    the copy opens (package files in the manifest's order, then the shared
    files). The kernel holds them only for root (fanotify); elsewhere the copy
    dialog is pictured when the robot catches it."""
    names = [f["name"] for f in plan["files"] + plan["sharedFiles"]
             if os.path.isfile(wine.path_without_case(medium_host, f["name"].split("\\")))][:2]
    if not names or not plan["installs"]:
        return []
    if os.geteuid() != 0:
        print("NOTE: not root: the copy cannot be held for its picture, which may show the window after it")
        return []
    return ["hold-copy " + " ".join(shlex.quote(n) for n in names)]


def sections_of_try(args, plan, medium, medium_host, options=None):
    """The scenario of a try; `options`: the plan's options (default those of args)."""
    if options is None:
        options = plan_options(args)
    before = []
    if args.cdrom:
        before.append("drive d: cdrom")
    if not args.machine_left:  # an update after a run: the machine is what that run left
        before += version_preparation(plan, args)
        if plan["case"]["folderExists"]:
            before.append("mkdir " + plan["installDir"])
    medium_lines = ["folder " + medium_host]
    if args.replace_program:
        medium_lines.append("program")
    if not has_file(medium_host, "Quorin.qpk"):
        medium_lines.append("nomanifest")
    settings = ["medium " + medium, "timeout %d" % args.timeout]
    if args.shots:
        settings.append("display " + args.screen)
        medium_lines += copy_hold_lines(plan, medium_host)
    # A plan that cannot follow the program to its end knows no exit code.
    checks = [] if plan["exitCode"] is None else ["exit %d" % plan["exitCode"]]
    if plan["installs"]:
        checks.append("plan - " + " ".join(shlex.quote(o) for o in options))
    elif plan["installDir"] and not plan["case"]["folderExists"]:
        checks.append("nodir " + plan["installDir"])  # stopped before anything was written
    return {
        "options": settings,
        "medium": medium_lines,
        "before": before,
        "dialogue": plans.dialogue_of_plan(plan, args.install_dir),
        "check": checks,
    }


def print_installed(ctx, plan):
    print("What was installed:")
    if plan["installDir"]:
        scenario.show_files(ctx, plan["installDir"])
    for shared in plan["sharedFiles"]:
        scenario.show_file(ctx, shared["destination"])
    keys = []
    for key in plan["registryKeys"] + [v["key"] for v in plan["registryValues"] + plan["versionRecord"]]:
        if key not in keys:
            keys.append(key)
    for key in keys:
        scenario.show_reg(ctx, '"%s"' % key)
    for v in plan.get("startPage", []):
        keys, full = wine.lookup_key(ctx.prefix, v["key"])
        got = (keys.get(full) or {}).get(v["name"].lower())
        print("  start page %s [%s]: %s" % (v["key"], v["name"], wine.describe_value(got) if got else "(missing)"))
    folders = []
    for link in plan["links"]:
        folder = link["link"].rsplit("\\", 1)[0]
        if folder not in folders:
            folders.append(folder)
    for folder in folders:
        scenario.show_links(ctx, folder)
    started = wine.started_programs(ctx)
    print("  programs started by Setup.exe:")
    for command in started or ["(none)"]:
        print("    %s" % command)


def kept_prefix_line(prefix):
    return "The prefix of the run is kept at %s (%s)" % (prefix, wine.describe_size(wine.folder_size(prefix)))


def report_try(bench, plan, shots, keep, wine_hides, last=True):
    """The report of one run; a run that is not the last keeps its prefix for the next."""
    def report(ctx, elapsed):
        print("What the player saw (%.1f s):" % elapsed)
        for line in ctx.transcript:
            print("  " + line)
        print_installed(ctx, plan)
        if shots and ctx.display:
            os.makedirs(shots, exist_ok=True)
            for name, (png, _) in sorted(ctx.display.shots.items()):
                shutil.copyfile(png, os.path.join(shots, os.path.basename(png)))
            print("Pictures: %d in %s" % (len(ctx.display.shots), shots))
            for name in ctx.display.gone:
                print("NOTE: no picture %s: the window was gone before its picture was taken" % name)
        if ctx.failures:
            print("Against the plan: %d difference(s)" % len(ctx.failures))
            for failure in ctx.failures:
                print("  - " + failure)
        else:
            print("Against the plan: the run is what `qpk plan` says (windows, exit code %s, registry, files, "
                  "shared files, links, programs)" % plan["exitCode"])
        for finding in wine_hides:
            print("WARNING: the run above is Wine's reading: %s: %s" % (finding["code"],
                                                                       WINE_READS_OTHERWISE[finding["code"]]))
        if not last:
            pass
        elif ctx.failures or keep:
            print(kept_prefix_line(ctx.prefix))
        else:
            bench.remove_prefix(ctx.prefix)
            wine.remove_file(ctx.wine_log)
        return not ctx.failures and not wine_hides
    return report


def describe_case(plan, medium_host, args, program_note, wine_hides):
    print("Medium: %s" % medium_host)
    if program_note:
        print(program_note)
    if not has_file(medium_host, "Quorin.qpk"):
        print("NOTE: the medium has no Quorin.qpk: Setup.exe will refuse it (write one with qpk build)")
    for finding in wine_hides:
        print("WARNING: qpk check finds %s (%s): %s. What follows is Wine's reading of the medium, not what a "
              "player's Windows shows" % (finding["code"], finding["severity"], WINE_READS_OTHERWISE[finding["code"]]))
    where = "the root of CD-ROM drive D:" if args.cdrom else "C:\\media"
    if program_note is None:
        program = "the medium's own Setup.exe"
    else:
        program = wine.PROGRAM.describe()
    prefix = "the prefix the first run left" if getattr(args, "machine_left", False) else "a fresh Wine prefix"
    print("Tried at %s in %s with %s" % (where, prefix, program))
    print("Planned for: %s" % plan["case"]["text"])
    if plan.get("endNote"):
        print("NOTE: the plan ends early: %s" % plan["endNote"])


def option_parser():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("medium")
    parser.add_argument("--build", default=os.path.join(wine.ROOT, "build"),
                        help="the folder that holds win32/ and win64/ (Setup.exe and the bench's helpers)")
    parser.add_argument("--qpk", help="the qpk that plans and checks the medium (default <build>/host/qpk)")
    parser.add_argument("--wine-dir", help="where the Wine prefixes are kept (default <build>/wine)")
    parser.add_argument("--cdrom", action="store_true", help="the medium at the root of a CD-ROM drive D:")
    parser.add_argument("--shots", help="save pictures of the backdrop and every window into this folder")
    parser.add_argument("--screen", default="1024x768", choices=SCREENS,
                        help="the size of the screen the backdrop fills, for --shots (default 1024x768)")
    parser.add_argument("--after", help="a full medium installed first, in the same prefix (the medium is its update)")
    parser.add_argument("--keep", action="store_true", help="keep the Wine prefix of the run")
    parser.add_argument("--install-dir", help="the folder the player types into the folder dialog")
    parser.add_argument("--installed-version", type=int, help="the version number an earlier installation left")
    parser.add_argument("--installed-path", help="the install folder an earlier installation recorded")
    parser.add_argument("--folder-exists", dest="folder", action="store_const", const="exists",
                        help="the install folder is there before (as qpk plan takes it)")
    parser.add_argument("--folder-missing", dest="folder", action="store_const", const="missing",
                        help="the install folder is not there before")
    parser.add_argument("--answer", action="append", default=[], help="NAME=yes|no, as qpk plan takes it")
    parser.add_argument("--program", choices=("win32", "win64"))
    parser.add_argument("--timeout", type=int, default=600, help="last-resort limit of the run in seconds")
    return parser


def main():
    args = option_parser().parse_args()
    medium_host = os.path.abspath(args.medium)
    if not os.path.isdir(medium_host):
        print("qpk try: %s is not a folder" % args.medium, file=sys.stderr)
        return 2
    bench = None
    try:
        bench = wine.Bench(args.build, args.program, qpk=args.qpk, wine_dir=args.wine_dir)
        return try_medium(bench, args, medium_host)
    except wine.ScenarioError as e:
        print("qpk try: the medium cannot be tried: %s" % e, file=sys.stderr)
    except Exception as e:  # a fault of the bench itself: still one line, and no prefix left behind
        print("qpk try: the medium cannot be tried: the bench failed (%s: %s)" % (type(e).__name__, e),
              file=sys.stderr)
    leave_prefix(bench, args.keep)
    return 2


def leave_prefix(bench, keep):
    """After a run that did not get to its report: the prefix is removed, or named when --keep keeps it."""
    prefix = getattr(bench, "last_case", None)
    if not prefix or not os.path.isdir(prefix):
        return
    if keep:
        print(kept_prefix_line(prefix))
    else:
        bench.remove_prefix(prefix)


def try_medium(bench, args, medium_host):
    if args.after:
        return try_after(bench, args, medium_host)
    args.machine_left = False
    ok, _ = try_run(bench, args, medium_host, plan_options(args), args.shots)
    return 0 if ok else 1


def prepare_run(bench, args, medium_host, options):
    """What a run needs before it starts: the program it runs, the findings
    Wine hides and the plan; printed as the case tried."""
    medium = "D:\\" if args.cdrom else "C:\\media"
    args.replace_program, program_note = program_of_try(bench, medium_host)
    if bench.program.notice and not args.replace_program:  # a replaced program says so itself
        print(bench.program.notice)
    wine_hides = findings_wine_hides(bench, medium_host)
    bench.ensure_template()
    plan = plans.plan_of_medium(bench, medium_host, medium, bench.template, options)
    describe_case(plan, medium_host, args, program_note, wine_hides)
    return medium, plan, wine_hides


def try_run(bench, args, medium_host, options, shots, prefix=None, earlier=None, last=True):
    """One installation of the medium held against its plan; in the prefix of
    an earlier run when given (whose plan is `earlier`). (ok, the run's context)."""
    medium, plan, wine_hides = prepare_run(bench, args, medium_host, options)
    sections = sections_of_try(args, plan, medium, medium_host, options)
    # A prefix of its own per medium and options, so that tries run side by side.
    key = "\0".join([medium_host, "cd" if args.cdrom else ""] + options)
    digest = hashlib.sha1(key.encode("utf-8", errors="surrogateescape")).hexdigest()[:8]
    name = "try.%s%s.%s" % (os.path.basename(medium_host.rstrip("/")) or "medium", ".cd" if args.cdrom else "",
                            digest)
    runs = {}

    def report(ctx, elapsed):
        runs["ctx"] = ctx
        return report_try(bench, plan, shots, args.keep, wine_hides, last)(ctx, elapsed)
    ok = scenario.run_sections(bench, name, medium_host, sections, preview=bool(shots), report=report,
                               prefix=prefix, earlier_plan=earlier)
    runs.get("ctx").plan = plan
    return ok, runs.get("ctx")


def read_value(prefix, key, name):
    """(type, bytes) of a registry value of the prefix as the program sees it, or None."""
    if not key:
        return None
    keys, full = wine.lookup_key(prefix, key)
    got = (keys.get(full) or {}).get(name.lower())
    return got[:2] if got else None


def options_after(bench, args, medium_host, prefix):
    """The update's plan options for the machine a run left in the prefix: the
    number and folder recorded where the update's version check reads them,
    the player's answers, and whether the install folder is then there."""
    medium = "D:\\" if args.cdrom else "C:\\media"
    answers = [o for answer in args.answer for o in ("--answer", answer)]
    check = plans.plan_of_medium(bench, medium_host, medium, prefix, answers)["versionCheck"]
    options = []
    version = read_value(prefix, check.get("versionKey"), check.get("versionName", ""))
    if version and version[0] == 4:
        options += ["--installed-version", str(int.from_bytes(version[1][:4].ljust(4, b"\0"), "little"))]
    folder = read_value(prefix, check.get("installKey"), check.get("installName", ""))
    if folder and folder[0] in (1, 2):
        options += ["--installed-path", wine.reg_text(folder[1]).split("\0")[0]]
    install_dir = plans.plan_of_medium(bench, medium_host, medium, prefix, options + answers)["installDir"]
    there = bool(install_dir) and os.path.isdir(wine.host_path(prefix, install_dir))
    return options + ["--folder-exists" if there else "--folder-missing"] + answers


def try_after(bench, args, update_host):
    """The full medium, then its update over it in the same prefix."""
    full_host = os.path.abspath(args.after)
    if not os.path.isdir(full_host):
        raise wine.ScenarioError("--after %s is not a folder" % args.after)
    print("=== 1. The full medium")
    args.machine_left = False
    first_ok, first = try_run(bench, args, full_host, plan_options(args), shots_folder(args, 1, full_host),
                              last=False)
    print("=== 2. The update, over what the full medium installed")
    update_args = argparse.Namespace(**vars(args))
    update_args.install_dir = None  # the folder dialog proposes the recorded folder; the player takes it
    update_args.machine_left = True
    update_args.keep = args.keep or not first_ok  # a first run that differs is kept to be looked at
    options = options_after(bench, update_args, update_host, first.prefix)
    update_args.installed_version = update_args.installed_path = None
    ok, second = try_run(bench, update_args, update_host, options, shots_folder(args, 2, update_host),
                         prefix=first.prefix, earlier=first.plan, last=True)
    if not first_ok:
        print("The full medium's run differs from its plan (above): the update was tried over what it left")
    return 0 if ok and first_ok else 1


def shots_folder(args, number, medium_host):
    """The pictures of the n-th run of --after, each run in a folder of its own."""
    if not args.shots:
        return None
    return os.path.join(args.shots, "%d-%s" % (number, os.path.basename(medium_host.rstrip("/")) or "medium"))


if __name__ == "__main__":
    sys.exit(main())
