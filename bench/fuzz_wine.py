#!/usr/bin/env python3
"""The whole program fuzzed under Wine: scripts and manifests made by mutating
the media of the tree line by line (entry by entry), each run through the real
Setup.exe in a fresh prefix with the robot answering every window as a player
who goes on wherever he can, and each run put in a class.

  fuzz_wine.py [--build DIR] [--scripts N] [--manifests N] [--seed S] [--jobs J]
               [--timeout SECONDS] [--out DIR]

The media: samples/*, tests/qpk/media/* and tests/try/*, as they would ship
(bench/agree.py's medium_as_tried). Every mutation of every line of every
Setup.ini and of every Quorin.qpk is enumerated; the seed orders each kind of
mutation, and the kinds take turns, so that a run of the same seed and size
repeats the same cases, and a short run already tries every kind.

The classes of a run's end: its own exit codes (0, -1, 1), a crash (any other
code), a hang (no end within the robot's time limit), a loop (the same window
again and again, which the robot cannot leave; the folder dialog shown again is
the player's to answer, and the robot cancels there: counted apart, not a
loop). Apart from its end, a run writes outside when a file or registry value
changed outside the install folder, the shared files' folder, the registry keys
the script names, the start page, the deferred replacements, the link folders
and Wine's own housekeeping (the bench's confinement check). Every run of a
class other than the exit codes is kept as a medium that reproduces it under
<out>/findings/<class>-<n>/, with mutation.txt saying what was changed (and the
transcript) and wine.log, Wine's output of the run.

Exit status 0 when no run crashed, hung, wrote outside or could not be run; 1
otherwise (a loop is kept and counted, see FAILURES).
"""
import argparse
import glob
import multiprocessing
import os
import random
import re
import shutil
import sys

import agree
import scenario
import wine

SOURCES = ["samples/*", "tests/qpk/media/*", "tests/try/*"]
PROBLEMS = ("crash", "hang", "loop", "outside", "bench")  # kept as findings
# What fails a run of the fuzzer: every problem. (A folder on no fixed disk
# where the script shows no folder dialog used to bring its notice back for
# ever; the installation now ends there.)
FAILURES = ("crash", "hang", "loop", "outside", "bench")

# ---------------------------------------------------------------- script mutations
#
# A script is mutated as bytes (it is CP949, and some mutations are not text):
# one line of it, or its line ends. A mutation is a function of the lines (each
# without its line end) and the index of the line; it returns the new lines, or
# None where it does not apply to that line.

LONG = b"A" * 5000
NUMBERS = [b"0", b"-1", b"2147483648", b"4294967296", b"99999999999999999999", b"x7"]
PATHS = [b"..\\..\\..\\fuzz-escape", b"C:\\fuzz-absolute", b"\\\\fuzzserver\\share\\fuzz", b"\\\\.\\fuzzdevice",
         b"CON", b"%EXEPATH%\\..\\..\\fuzz-escape"]
LEAD_BYTE = b"\xb0"  # a CP949 lead byte with no trail byte after it
MANY = 1000  # lines of a counted list, entries of a manifest: work a run can do within the limit


def value_of(line):
    """(key part with "=", value) of a key line, or None."""
    key, sep, value = line.partition(b"=")
    if not sep or line.startswith(b"[") or line.startswith(b";"):
        return None
    return key + sep, value


def is_section(line):
    return line.strip().startswith(b"[")


def replace_line(lines, i, new):
    return lines[:i] + new + lines[i + 1:]


def with_value(transform):
    def mutate(lines, i):
        kv = value_of(lines[i])
        if kv is None:
            return None
        value = transform(kv[1])
        return None if value is None else replace_line(lines, i, [kv[0] + value])
    return mutate


def first_number(number):
    def transform(value):
        m = re.search(rb"-?\d+", value)
        return None if not m else value[:m.start()] + number + value[m.end():]
    return transform


def last_field(path):
    """The value's last comma-separated field (a name, a path, a command) replaced."""
    def transform(value):
        head, comma, _ = value.rpartition(b",")
        return head + comma + (b" " if comma else b"") + path
    return transform


def section_of(lines, i):
    """(first, end) of the section holding line i: its header and the line after its last."""
    first = i
    while first > 0 and not is_section(lines[first]):
        first -= 1
    end = i + 1
    while end < len(lines) and not is_section(lines[end]):
        end += 1
    return first, end


def duplicate_section(lines, i):
    if not is_section(lines[i]):
        return None
    first, end = section_of(lines, i)
    return lines + lines[first:end]


def count_off(delta):
    def mutate(lines, i):
        m = re.match(rb"^(\s*Count\s*=\s*)(\d+)", lines[i])
        if not m:
            return None
        return replace_line(lines, i, [m.group(1) + str(int(m.group(2)) + delta).encode() + lines[i][m.end():]])
    return mutate


def many_lines(lines, i):
    """A counted list of MANY lines: the section's last numbered line repeated under new numbers."""
    m = re.match(rb"^(\s*Count\s*=\s*)(\d+)", lines[i])
    if not m:
        return None
    first, end = section_of(lines, i)
    numbered = [l for l in lines[first:end] if re.match(rb"^\d+=", l)]
    if not numbered:
        return None
    body = numbered[-1].partition(b"=")[2]
    count = int(m.group(2))
    extra = [b"%d=%s" % (n, body) for n in range(count + 1, MANY + 1)]
    lines = replace_line(lines, i, [m.group(1) + str(MANY).encode()])
    return lines[:end] + extra + lines[end:]


def middle(insert):
    def mutate(lines, i):
        line = lines[i]
        if not line:
            return None
        return replace_line(lines, i, [line[:len(line) // 2] + insert + line[len(line) // 2:]])
    return mutate


LINE_MUTATIONS = [
    ("over-long line", lambda lines, i: replace_line(lines, i, [lines[i] + LONG])),
    ("empty line", lambda lines, i: replace_line(lines, i, [b""]) if lines[i] else None),
    ("missing =", lambda lines, i: replace_line(lines, i, [lines[i].replace(b"=", b" ")])
     if value_of(lines[i]) else None),
    ("duplicate key", lambda lines, i: replace_line(lines, i, [lines[i], lines[i]]) if value_of(lines[i]) else None),
    ("duplicate section", duplicate_section),
    ("lone lead byte at the end", lambda lines, i: replace_line(lines, i, [lines[i] + LEAD_BYTE])),
    ("lone lead byte in the middle", middle(LEAD_BYTE)),
    ("NUL byte", middle(b"\0")),
    ("count one more", count_off(1)),
    ("count one less", count_off(-1)),
    ("count 100 more", count_off(100)),
    ("many lines", many_lines),
] + [("number %s" % n.decode(), with_value(first_number(n))) for n in NUMBERS] \
  + [("path %s" % p.decode(), with_value(last_field(p))) for p in PATHS]

LINE_ENDS = [("CR-only line ends", b"\r"), ("LF-only line ends", b"\n")]


def split_script(data):
    return data.replace(b"\r\n", b"\n").split(b"\n")


def script_cases(media):
    """{kind: [(medium, description, Setup.ini bytes)]} of every script mutation."""
    kinds = {}
    for medium in media:
        path = os.path.join(medium, "Setup.ini")
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            lines = split_script(f.read())
        name = os.path.basename(medium)
        for kind, mutate in LINE_MUTATIONS:
            for i in range(len(lines)):
                new = mutate(lines, i)
                if new is not None:
                    kinds.setdefault(kind, []).append(
                        (medium, "Setup.ini of %s: %s at line %d" % (name, kind, i + 1), b"\r\n".join(new)))
        for kind, end in LINE_ENDS:
            kinds.setdefault(kind, []).append((medium, "Setup.ini of %s: %s" % (name, kind), end.join(lines)))
    return kinds


# ---------------------------------------------------------------- manifest mutations

def u32(value):
    return (value & 0xFFFFFFFF).to_bytes(4, "little")


def read_entries(data):
    """[(offset of the length field, name bytes)] of a well-formed manifest."""
    entries, at = [], 8
    count = int.from_bytes(data[4:8], "little", signed=True)
    for _ in range(max(count, 0)):
        length = int.from_bytes(data[at:at + 4], "little")
        entries.append((at, data[at + 4:at + 4 + length].split(b"\0")[0]))
        at += 4 + length
    return entries


def with_name(data, entries, index, name):
    """The manifest with entry <index>'s name replaced."""
    at, old = entries[index]
    end = at + 4 + int.from_bytes(data[at:at + 4], "little")
    return data[:at] + u32(len(name) + 1) + name + b"\0" + data[end:]


def manifest_mutations(data, medium_files):
    """[(kind, detail, bytes)] of one manifest."""
    entries = read_entries(data)
    count = len(entries)
    out = []
    for cut in sorted({0, 3, 4, 7, 8, 10} | {at + 2 for at, _ in entries} | {at + 5 for at, _ in entries}):
        if cut < len(data):
            out.append(("truncated", "cut to %d bytes" % cut, data[:cut]))
    for at in range(0, len(data), max(1, len(data) // 12)):
        out.append(("flipped byte", "byte %d flipped" % at, data[:at] + bytes([data[at] ^ 0xFF]) + data[at + 1:]))
    for value in (0, -1, 0x7FFFFFFF, 0x80000000, count + 1, count - 1, count + 1000):
        out.append(("entry count", "entry count %d" % value, data[:4] + u32(value) + data[8:]))
    for value in (0, 0xFFFFFFFF, 0x80000000):
        out.append(("total size", "total size %d" % value, u32(value) + data[4:]))
    for index, (at, _) in enumerate(entries):
        for length in (0, 1, 261, 0xFFFFFFFF):
            out.append(("name length", "entry %d: name length %d" % (index + 1, length),
                        data[:at] + u32(length) + data[at + 4:]))
        # A name that reaches a real file of the medium from the source folder
        # (C:\media) and lands beside the install folder if it is not refused.
        target = medium_files[index % len(medium_files)]
        for name in (b"..\\media\\" + target, b"..\\..\\media\\" + target, b"data\\..\\..\\" + target,
                     b"C:\\media\\" + target, b"\\media\\" + target, b"\\\\fuzzserver\\share\\" + target,
                     b"\\\\.\\C:\\media\\" + target, b"CON", b"NUL.txt", b"a" * 259):
            out.append(("name", "entry %d named %s" % (index + 1, name.decode("cp949", "replace")),
                        with_name(data, entries, index, name)))
    if entries:
        at, first = entries[0]
        out.append(("many entries", "%d entries of %s" % (MANY, first.decode("cp949", "replace")),
                    data[:4] + u32(MANY) + (u32(len(first) + 1) + first + b"\0") * MANY))
    out.append(("trailing bytes", "4096 bytes after the last entry", data + bytes(range(256)) * 16))
    return out


def manifest_cases(media):
    kinds = {}
    for medium in media:
        path = os.path.join(medium, "Quorin.qpk")
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        files = [os.path.relpath(os.path.join(d, n), medium).replace(os.sep, "\\").encode("cp949", "replace")
                 for d, _, names in os.walk(medium) for n in names]
        files = sorted(f for f in files if b"\\" not in f and f not in (b"Setup.ini", b"Quorin.qpk")) or [b"Setup.ini"]
        for kind, detail, mutated in manifest_mutations(data, files):
            kinds.setdefault(kind, []).append(
                (medium, "Quorin.qpk of %s: %s" % (os.path.basename(medium), detail), mutated))
    return kinds


def interleave(kinds, seed, count):
    """`count` cases: each kind's cases in the order the seed gives, the kinds taking turns."""
    queues = []
    for kind in sorted(kinds):
        cases = list(kinds[kind])
        random.Random("%s/%s" % (seed, kind)).shuffle(cases)
        queues.append(cases)
    chosen = []
    while len(chosen) < count and any(queues):
        for queue in queues:
            if queue and len(chosen) < count:
                chosen.append(queue.pop(0))
    return chosen


# ---------------------------------------------------------------- the places a run may write

START_PAGE_KEY = "HKCU\\Software\\Microsoft\\Internet Explorer\\Main"
PENDING_KEY = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"
SHARED_FOLDER = "C:\\windows"  # the Windows folder and the system folder below it; wininit.ini
KEY_PATH = re.compile(r"HKEY_[A-Z_]+(?:\\[^\\\r\n\]\0]*)*")
VALUE_PATH = re.compile(r"^\s*(Version|Install) Path\s*=")  # a key and a value's name
DEFAULT_PATH = re.compile(r"^\s*Default Path\s*=\s*(.*?)\s*$")


def script_places(script):
    """The install folders and the registry keys that a script names ("Version Path"
    and "Install Path" name a key and a value), as places of the confinement check."""
    text = script.decode("cp949", errors="replace")
    places = []
    for line in re.split(r"\r\n|\r|\n", text):
        m = DEFAULT_PATH.match(line)
        if m and re.match(r"^[cC]:\\", m.group(1)):
            places.append(m.group(1))
        for key in KEY_PATH.findall(line):
            key = key.rstrip(" \\")
            places.append(key.rsplit("\\", 1)[0] if VALUE_PATH.match(line) else key)
    return [p for p in places if p.split("\\")[0].lower() in scenario.REG_ROOT_ALIASES or re.match(r"^[cC]:\\", p)]


def confined_option(script):
    places = script_places(script) + [SHARED_FOLDER, "{Programs}", "{Desktop}", START_PAGE_KEY, PENDING_KEY]
    return " ".join('"%s"' % p for p in places if '"' not in p)


# ---------------------------------------------------------------- a run

def run_case(bench, number, medium, description, target, data, timeout, out):
    """Runs one mutated medium; returns (number, class, outside, folder again, description)."""
    case_dir = os.path.join(out, "cases", str(number))
    shutil.rmtree(case_dir, ignore_errors=True)
    shutil.copytree(medium, case_dir)
    if target:
        with open(os.path.join(case_dir, target), "wb") as f:
            f.write(data)
    with open(os.path.join(case_dir, "Setup.ini"), "rb") as f:
        script = f.read()
    sections = {"medium": ["folder " + case_dir, "program"],
                "options": ["timeout %d" % timeout, "auto 5", "confined " + confined_option(script)]}
    owner = os.environ.get("QS_OWNER_BASE")
    if owner:
        os.environ["QS_OWNER"] = "%s.%d" % (owner, number)
    # A run the bench could not make (Wine's desktop not up within the robot's
    # limit on a busy machine, the robot not started) says nothing of the
    # program: it is made once more before it counts.
    for _ in range(2):
        outcome = run_once(bench, number, case_dir, sections)
        if outcome["class"] != "bench":
            break
    problem = outcome["class"] if outcome["class"] in PROBLEMS else "outside" if outcome["outside"] else None
    if problem:
        keep_finding(out, problem, number, case_dir, description, outcome)
    wine.remove_file(outcome["wine_log"])
    shutil.rmtree(case_dir, ignore_errors=True)
    return number, outcome["class"], bool(outcome["outside"]), outcome["folder_again"], description


def run_once(bench, number, case_dir, sections):
    """The outcome of one run of a case (see classify), its prefix removed and its
    Wine output left at outcome["wine_log"]."""
    outcome = {}
    try:
        scenario.run_sections(bench, "fuzz-wine.%d" % number, case_dir, sections,
                              report=lambda ctx, elapsed: outcome.update(classify(ctx)))
    except wine.ScenarioError as e:
        outcome = {"class": "bench", "outside": [], "folder_again": False, "transcript": [str(e)]}
    prefix = getattr(bench, "last_case", None)
    outcome["wine_log"] = (prefix or case_dir) + ".wine.log"
    if prefix:
        bench.remove_prefix(prefix)
    return outcome


def classify(ctx):
    transcript = ctx.transcript
    if any(l.startswith("robot: window loop:") for l in transcript):
        end = "loop"
    elif "timeout" in transcript:
        end = "hang"
    elif ctx.killed or ctx.exit_code is None:
        end = "bench"  # the robot ended the run for a reason of its own
    elif ctx.exit_code in (0, -1, 1):
        end = "exit %d" % ctx.exit_code
    else:
        end = "crash"
    outside = [f for f in ctx.failures if f.startswith("outside the confined places") or
               f.startswith("... and")]
    folder_again = sum(1 for l in transcript if l.startswith("dialog 104 ")) > 1
    return {"class": end, "outside": outside, "folder_again": folder_again, "transcript": transcript,
            "exit": ctx.exit_code}


def keep_finding(out, problem, number, case_dir, description, outcome):
    target = os.path.join(out, "findings", "%s-%d" % (problem, number))
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(case_dir, target)
    if os.path.isfile(outcome["wine_log"]):
        shutil.copyfile(outcome["wine_log"], os.path.join(target, "wine.log"))
    with open(os.path.join(target, "mutation.txt"), "w", encoding="utf-8") as f:
        f.write(description + "\n")
        f.write("class: %s\n" % outcome["class"])
        for line in outcome["outside"]:
            f.write(line + "\n")
        f.write("transcript:\n")
        for line in outcome["transcript"]:
            f.write("  %s\n" % line)


def kept_mutation(finding):
    """What was changed to make a kept finding (the first line of its mutation.txt)."""
    try:
        with open(os.path.join(finding, "mutation.txt"), encoding="utf-8") as f:
            return f.readline().strip()
    except OSError:
        return os.path.basename(os.path.abspath(finding))


def worker(job):
    return run_case(WORKER_BENCH, *job)


WORKER_BENCH = None


def start_worker(build):
    global WORKER_BENCH
    WORKER_BENCH = wine.Bench(build)


# ---------------------------------------------------------------- the whole run

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(wine.ROOT, "build"))
    parser.add_argument("--scripts", type=int, default=300)
    parser.add_argument("--manifests", type=int, default=100)
    parser.add_argument("--seed", default="1")
    parser.add_argument("--jobs", type=int, default=1, help="runs at once, each in a prefix of its own")
    parser.add_argument("--timeout", type=int, default=120, help="the robot's time limit: a run not ended is a hang")
    parser.add_argument("--out", help="where the findings go (default <build>/fuzz-wine, with --again "
                                          "<build>/fuzz-wine-again)")
    parser.add_argument("--again", nargs="+", metavar="FINDING",
                        help="run these kept findings (media) once more, as they are, and class each")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    out = os.path.abspath(args.out or os.path.join(build, "fuzz-wine-again" if args.again else "fuzz-wine"))
    bench = wine.Bench(build)
    if bench.program.notice:
        print(bench.program.notice)
    bench.ensure_template()
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    if os.environ.get("QS_OWNER"):
        os.environ["QS_OWNER_BASE"] = os.environ["QS_OWNER"]
    media_dir = os.path.join(out, "media")
    os.makedirs(media_dir)
    if args.again:
        cases = [(os.path.abspath(f), "again: %s" % kept_mutation(f), None, None) for f in args.again]
        print("fuzz-wine: %d findings once more, %s" % (len(cases), bench.program.describe()))
    else:
        sources = sorted(d for pattern in SOURCES for d in glob.glob(os.path.join(wine.ROOT, pattern))
                         if os.path.isfile(os.path.join(d, "Setup.ini")))
        media = [agree.medium_as_tried(bench, source, media_dir) for source in sources]
        cases = [(m, d, "Setup.ini", b) for m, d, b in interleave(script_cases(media), args.seed, args.scripts)]
        cases += [(m, d, "Quorin.qpk", b) for m, d, b in
                  interleave(manifest_cases(media), args.seed, args.manifests)]
        print("fuzz-wine: %d scripts and %d manifests from %d media, seed %s, %s" % (
            sum(1 for c in cases if c[2] == "Setup.ini"), sum(1 for c in cases if c[2] == "Quorin.qpk"),
            len(media), args.seed, bench.program.describe()))
    jobs = [(n, m, d, t, b, args.timeout, out) for n, (m, d, t, b) in enumerate(cases, 1)]
    sys.stdout.flush()
    counts, outside, folder_again = {}, 0, 0
    with multiprocessing.Pool(args.jobs, initializer=start_worker, initargs=(build,)) as pool:
        for number, end, wrote_outside, again, description in pool.imap(worker, jobs):
            counts[end] = counts.get(end, 0) + 1
            outside += wrote_outside
            folder_again += again
            note = end + (", writes outside" if wrote_outside else "")
            print("%4d %-16s %s" % (number, note, description))
            sys.stdout.flush()
    shutil.rmtree(os.path.join(out, "cases"), ignore_errors=True)
    print("counts by class:")
    for end in ("exit 0", "exit -1", "exit 1", "crash", "hang", "loop", "bench"):
        print("  %-8s %d" % (end, counts.get(end, 0)))
    print("  writes outside the script's places: %d" % outside)
    print("  (the folder dialog shown again, which the robot left by cancelling: %d; not a loop)" % folder_again)
    if sum(counts.get(c, 0) for c in PROBLEMS) + outside:
        print("findings: %s" % os.path.join(out, "findings"))
    return 1 if sum(counts.get(c, 0) for c in FAILURES) + outside else 0


if __name__ == "__main__":
    sys.exit(main())
