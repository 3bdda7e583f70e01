#!/usr/bin/env python3
"""Installation speed: Setup.exe against a bare CopyFileA loop and cp -r.

For every package (generated once, kept under <build>/bench/prefix), each
round installs it with the real Setup.exe under Wine, unattended, copies the
same list of files with barecopy.exe (CopyFileA only, each folder created
once) in the same prefix, once as the plain loop (each copy may overwrite),
once with every copy only creating a new file, and once through a temporary
name (each file copied with CopyFileA as a new file beside its destination
and moved over it with MoveFileExA: a whole-copy replacement made of stock
calls, which Setup.exe's own copy is measured against too), and copies the
tree with the native cp -r. The order of the five turns round from one round
to the next. Every result is compared with the source before the next run. Prints per package the medians of the copy stage
(Setup: from the copy dialog's appearance to its end; bare copy: its own loop)
and of the whole run, and the ratios.

It also measures manifests of 10,000, 100,000 and 1,000,000 entries inside
Setup.exe: the reading (from the painted backdrop until the copy dialog
appears), the copy start (until the first package file exists at its
destination) and the peak working set then; and the time from the start to
the first painted backdrop. --manifests-only measures only those.

It also measures the registry step with a value section of 1,000, 10,000 and
100,000 lines (--registry-only measures only that).

  bench.py --build <root> [--runs N] [--packages small,large,mixed] [--smoke] [--manifests-only]
           [--registry-only] [--copy-only]

--smoke runs a package of a few files once (the harness's own test).
"""
import argparse
import os
import random
import re
import shutil
import statistics
import struct
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "bench"))
import scenario  # noqa: E402  (the bench's gates)
import wine as e2e  # noqa: E402  (the bench's prefix and Wine environment)

KB = 1024
MB = 1024 * 1024

# name: list of (count, smallest, largest bytes, folder fan-out per level).
# A fan-out of (4, 7, 7) spreads the files over 4 x 7 x 7 = 196 folders three
# levels deep; () puts them at the top of the package.
PACKAGES = {
    "small": [(20000, 1 * KB, 8 * KB, (4, 7, 7))],
    "large": [(20, 50 * MB, 50 * MB, (1,))],
    "mixed": [(3000, 1 * KB, 64 * KB, (5, 6, 4)),
              (300, 64 * KB, 4 * MB, (3, 4)),
              (12, 20 * MB, 80 * MB, (2,)),
              (4, 1 * KB, 16 * KB, ())],
    "probe": [(2000, 1 * KB, 8 * KB, (4, 7, 7))],  # a quick look at the small-file cost
    "smoke": [(12, 1 * KB, 8 * KB, (2, 2)), (1, 1 * MB, 1 * MB, ())],
}

# The smallest manifest is the base whose figures are taken off. Every one has
# a second name without a file, so that the program stays (with a message
# about it) until the timer has seen the first file copied.
MANIFEST_SIZES = [2, 10000, 100000, 1000000]
SMOKE_MANIFEST_SIZES = [2, 100, 1000]

# Value lines of the one key of [Main Registry]; the first size is the base
# whose figures are taken off.
REGISTRY_SIZES = [0, 1000, 10000, 100000]
SMOKE_REGISTRY_SIZES = [0, 100, 1000]
REGISTRY_KEY = "HKEY_CURRENT_USER\\Software\\QuorinBench"

SETUP_INI = """[Main]
Default Path=C:\\Games\\{name}\\setup
Change Path=0
Install Complete Dialog=0
Name=Bench
Version=1.0
[Version]
Mode=4
"""


class BenchError(Exception):
    pass


# ---------------------------------------------------------------- packages

def folder_of(index, fanout):
    """The folder of the index-th file: files are dealt round the folders."""
    parts = []
    for level, width in enumerate(fanout):
        parts.append("d%d%s" % (level, index % width))
        index //= width
    return "/".join(parts)


def package_files(layout, seed):
    """(relative path with slashes, size) of every file of a package."""
    rng = random.Random(seed)
    files = []
    for group, (count, smallest, largest, fanout) in enumerate(layout):
        for i in range(count):
            folder = folder_of(i, fanout)
            name = "g%df%05d.dat" % (group, i)
            files.append((folder + "/" + name if folder else name, rng.randint(smallest, largest)))
    return files


def write_file(path, size, block, offset):
    with open(path, "wb") as f:
        f.write(struct.pack("<Q", offset))  # every file starts differently
        left = size - 8
        at = offset % len(block)
        while left > 0:
            piece = block[at:at + left]
            f.write(piece)
            left -= len(piece)
            at = 0


def generate_package(medium, name, layout):
    marker = medium + ".layout"  # beside the medium, so it is no package file
    wanted = repr(layout)
    if os.path.exists(marker) and open(marker).read() == wanted:
        return
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    block = random.Random(name).randbytes(4 * MB)
    for offset, (path, size) in enumerate(package_files(layout, name)):
        full = os.path.join(medium, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        write_file(full, max(size, 8), block, offset * 4099)
    with open(marker, "w") as f:
        f.write(wanted)


def manifest_names(path):
    """The names of a manifest, in order: the list Setup.exe copies."""
    data = open(path, "rb").read()
    count = struct.unpack_from("<i", data, 4)[0]
    names, at = [], 8
    for _ in range(max(count, 0)):
        length = struct.unpack_from("<I", data, at)[0]
        names.append(data[at + 4:at + 4 + length].split(b"\0")[0].decode("cp949"))
        at += 4 + length
    return names


def write_manifest(path, names):
    with open(path, "wb") as f:
        f.write(struct.pack("<Ii", 0, len(names)))
        for name in names:
            raw = name.encode("cp949")
            f.write(struct.pack("<I", len(raw) + 1) + raw + b"\0")


# ---------------------------------------------------------------- the prefix

class Runner:
    def __init__(self, build, program=None):
        self.build = os.path.abspath(build)
        self.e2e = e2e.Bench(self.build, program)
        self.prefix = os.path.join(self.build, "bench", "prefix")
        self.env = self.e2e.env(self.prefix)
        self.qpk = os.path.join(self.build, "host", "qpk")

    def drive(self, windows_path):
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))

    def prepare(self):
        # The prefix is kept between runs (it holds the generated packages),
        # but only while the Wine it was made for is the one installed.
        if not e2e.prefix_is_current(self.prefix):
            if os.path.exists(self.prefix):
                subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
                print("bench: the kept prefix was made for another Wine installation; making it anew", flush=True)
            self.e2e.ensure_template()
            shutil.rmtree(self.prefix, ignore_errors=True)
            os.makedirs(os.path.dirname(self.prefix), exist_ok=True)
            subprocess.run(["cp", "-a", "--reflink=auto", self.e2e.template, self.prefix], check=True)
        tools = self.drive("C:\\benchtools")
        os.makedirs(tools, exist_ok=True)
        for exe in ("benchtimer.exe", "barecopy.exe"):
            shutil.copy(os.path.join(self.e2e.bench_dir, exe), tools)
        # One wineserver for the whole bench, so no run pays for its start.
        subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       start_new_session=True)  # 2 when one already runs for this prefix
        self.wine(["cmd", "/c", "exit"])

    def finish(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        subprocess.run(["wineserver", "-w"], env=self.env)

    def medium(self, name, layout):
        medium = self.drive("C:\\bench\\" + name)
        generate_package(medium, name, layout)
        shutil.copy(self.e2e.setup_exe, medium)
        with open(os.path.join(medium, "Setup.ini"), "wb") as f:
            f.write(SETUP_INI.format(name=name).replace("\n", "\r\n").encode("cp949"))
        subprocess.run([self.qpk, "build", medium, "-o", os.path.join(medium, "Quorin.qpk")],
                       check=True, stdout=subprocess.DEVNULL)
        names = manifest_names(os.path.join(medium, "Quorin.qpk"))
        with open(self.drive("C:\\bench\\%s.lst" % name), "w", encoding="cp949", newline="\r\n") as f:
            f.write("\n".join(names) + "\n")
        return medium, names

    def wine(self, args, timeout=3600):
        r = subprocess.run(["wine"] + args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                           start_new_session=True,
                           timeout=timeout)
        return r.returncode, r.stdout.decode("utf-8", "replace")

    def timed(self, args, processor=False):
        """benchtimer's figures; with processor=True also "cpu_ms", the processor
        time Setup.exe had used when it was last seen (Linux's count for its
        process, sampled every 20 ms), which hardly depends on what else the
        machine is doing, unlike the times on the clock."""
        sampler = ProcessorSampler(self.prefix, "setup.exe") if processor else None
        code, out = self.wine(["C:\\benchtools\\benchtimer.exe"] + args)
        figures = dict(re.findall(r"^(\w+) (.*?)\r?$", out, re.M))
        if sampler:
            figures["cpu_ms"] = sampler.stop()
        if code != 0 or "unexpected" in figures:
            raise BenchError("%s: timer exit %d\n%s" % (" ".join(args), code, out))
        return figures


class ProcessorSampler:
    """The processor time (user + system, ms) of a Windows program of one
    prefix, read from /proc while it runs."""

    def __init__(self, prefix, program):
        self.prefix = ("WINEPREFIX=%s" % prefix).encode()
        self.program = ("\\" + program).lower().encode()
        self.last = {}
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.sample, daemon=True)
        self.thread.start()

    def sample(self):
        tick = 1000.0 / os.sysconf("SC_CLK_TCK")
        while not self.done.wait(0.02):
            for pid in os.listdir("/proc"):
                if not pid.isdigit():
                    continue
                try:
                    with open("/proc/%s/cmdline" % pid, "rb") as f:
                        if not f.read().split(b"\0")[0].lower().endswith(self.program):
                            continue
                    with open("/proc/%s/environ" % pid, "rb") as f:
                        if self.prefix not in f.read().split(b"\0"):
                            continue
                    with open("/proc/%s/stat" % pid) as f:
                        fields = f.read().rsplit(")", 1)[1].split()
                except OSError:
                    continue
                self.last[pid] = (int(fields[11]) + int(fields[12])) * tick

    def stop(self):
        self.done.set()
        self.thread.join()
        return sum(self.last.values())


# ---------------------------------------------------------------- one package

def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def compare_tree(medium, names, copied, full):
    """Every listed file arrived with its size (and its bytes when full)."""
    found = sum(len(files) for _, _, files in os.walk(copied))
    if found != len(names):
        raise BenchError("%s holds %d files, the list %d" % (copied, found, len(names)))
    for name in names:
        relative = name.replace("\\", "/")
        source, target = os.path.join(medium, relative), os.path.join(copied, relative)
        if os.path.getsize(source) != os.path.getsize(target):
            raise BenchError("%s differs in size" % target)
        if full and open(source, "rb").read() != open(target, "rb").read():
            raise BenchError("%s differs" % target)


def run_setup(runner, name, medium, names, full):
    target = runner.drive("C:\\Games\\%s\\setup" % name)
    fresh(target)
    gate = None
    seen = runner.drive("C:\\benchtools\\seen.txt")
    if name == "smoke":
        # The harness's own test must not depend on the stopwatch being quick
        # enough to see a copy dialog of a few milliseconds on a busy machine:
        # the setup stands in its last package file until the stopwatch has
        # seen the painted backdrop and the copy dialog.
        if os.path.exists(seen):
            os.unlink(seen)
        gate = scenario.Gate(runner.prefix, os.path.join(medium, *names[-1].split("\\")), seen, seen + ".reached")
        gate.close_over()
    try:
        f = runner.timed((["--seen", "C:\\benchtools\\seen.txt"] if gate else []) +
                         ["C:\\bench\\%s\\Setup.exe" % name])
    finally:
        if gate:
            gate.restore()
    if f.get("exit_code") != "0" or float(f["copy_shown_ms"]) < 0:
        raise BenchError("Setup.exe of %s: %s" % (name, f))
    compare_tree(medium, names, target, full)
    return {"copy": float(f["copy_gone_ms"]) - float(f["copy_shown_ms"]), "whole": float(f["exit_ms"]),
            "backdrop": float(f["backdrop_painted_ms"])}


def run_bare(runner, name, medium, names, full, mode=None):
    kind = {None: "bare", "--new": "bare_new", "--part": "bare_part"}[mode]
    target = runner.drive("C:\\Games\\%s\\%s" % (name, kind))
    fresh(target)
    f = runner.timed(["C:\\benchtools\\barecopy.exe"] + ([mode] if mode else []) +
                     ["C:\\bench\\" + name, "C:\\bench\\%s.lst" % name, "C:\\Games\\%s\\%s" % (name, kind)])
    if f.get("exit_code") != "0" or f.get("failed") != "0":
        raise BenchError("barecopy of %s: %s" % (name, f))
    compare_tree(medium, names, target, full)
    return {"copy": float(f["copy_ms"]), "whole": float(f["exit_ms"])}


def run_bare_new(runner, name, medium, names, full):
    return run_bare(runner, name, medium, names, full, mode="--new")


def run_bare_part(runner, name, medium, names, full):
    return run_bare(runner, name, medium, names, full, mode="--part")


def run_cp(runner, name, medium, names, full):
    target = runner.drive("C:\\Games\\%s\\cp" % name)
    shutil.rmtree(target, ignore_errors=True)
    listed = [n.replace("\\", "/") for n in names]
    started = time.perf_counter()
    subprocess.run(["cp", "-r", medium, target], check=True)
    elapsed = 1000 * (time.perf_counter() - started)
    for extra in ("Setup.exe", "Setup.ini", "Quorin.qpk"):
        if extra not in listed:
            os.remove(os.path.join(target, extra))
    compare_tree(medium, names, target, full)
    return {"copy": elapsed, "whole": elapsed}


def bench_package(runner, name, runs, full):
    medium, names = runner.medium(name, PACKAGES[name])
    size = sum(os.path.getsize(os.path.join(medium, n.replace("\\", "/"))) for n in names)
    print("%s: %d files, %.1f MB; warming up, then %d run(s) of each" % (name, len(names), size / MB, runs),
          flush=True)
    kinds = (("setup", run_setup), ("bare", run_bare), ("bare_new", run_bare_new), ("bare_part", run_bare_part),
             ("cp", run_cp))
    for _, how in kinds:  # fills the page cache and loads Wine's libraries
        how(runner, name, medium, names, full)
    results = {kind: [] for kind, _ in kinds}
    for turn in range(runs):
        # Each round starts with another kind, so that none always runs while
        # the writes of the one before it are still going to the disk.
        for kind, how in kinds[turn % len(kinds):] + kinds[:turn % len(kinds)]:
            results[kind].append(how(runner, name, medium, names, full))
    for kind, _ in kinds:
        shutil.rmtree(runner.drive("C:\\Games\\%s\\%s" % (name, kind)), ignore_errors=True)
    return report_package(name, results)


def median(results, field):
    return statistics.median(r[field] for r in results)


def report_package(name, results):
    setup, bare, new, part, cp = (median(results[k], "copy") for k in ("setup", "bare", "bare_new", "bare_part", "cp"))
    whole_setup, whole_bare = median(results["setup"], "whole"), median(results["bare"], "whole")
    print("  copy stage   Setup %9.1f ms   bare CopyFileA %9.1f ms   only new %9.1f ms   through a temporary name "
          "%9.1f ms   cp -r %9.1f ms" % (setup, bare, new, part, cp))
    print("               Setup/bare %.3f   Setup/only new %.3f   Setup/through a temporary name %.3f   Setup/cp %.2f"
          % (setup / bare, setup / new, setup / part, setup / cp))
    print("               through a temporary name/bare %.3f (what the copy and move alone cost)" % (part / bare))
    ratios = [s["copy"] / b["copy"] for s, b in zip(results["setup"], results["bare"])]
    print("               Setup/bare of each round: %s" % " ".join("%.2f" % r for r in ratios))
    print("  whole run    Setup %9.1f ms   bare CopyFileA %9.1f ms   Setup/bare %.3f"
          % (whole_setup, whole_bare, whole_setup / whole_bare))
    print("  runs (copy stage, ms): Setup %s | bare %s | only new %s | through a temporary name %s | cp %s" % tuple(
        " ".join("%.0f" % r["copy"] for r in results[k]) for k in ("setup", "bare", "bare_new", "bare_part", "cp")),
          flush=True)
    return {"backdrop": [r["backdrop"] for r in results["setup"]]}


# ---------------------------------------------------------------- manifest reading

def bench_manifests(runner, runs, sizes):
    """Setup.exe reads and checks the whole manifest before the copy dialog
    appears, and reads it again when the copy starts. Two runs per round and
    size: one is ended when the copy dialog shows (manifest reading), one when
    the first package file exists at its destination (copy start), with the
    program's peak working set at that moment. Only the first name has a file
    behind it; the copy is ended on it. Times are taken from the painted
    backdrop, since the start of a Wine process varies by more than reading
    10,000 entries takes; the fastest of the rounds is kept (the work is the
    same every time, and a busy machine only ever adds to it) and the figures
    of the smallest manifest are taken off."""
    print("manifest size in Setup.exe (from the painted backdrop, fastest of %d, minus the %d-entry manifest):"
          % (runs, sizes[0]), flush=True)
    medium = runner.drive("C:\\bench\\manifest")
    fresh(medium)
    shutil.copy(runner.e2e.setup_exe, medium)
    with open(os.path.join(medium, "Setup.ini"), "wb") as f:
        f.write(SETUP_INI.format(name="manifest").replace("\n", "\r\n").encode("cp949"))
    target = "C:\\Games\\manifest\\setup"
    figures = {}
    for count in sizes:
        names = ["%s\\e%06d.dat" % (folder_of(i, (4, 7, 7)).replace("/", "\\"), i) for i in range(count)]
        write_manifest(os.path.join(medium, "Quorin.qpk"), names)
        first = os.path.join(medium, *names[0].split("\\"))
        os.makedirs(os.path.dirname(first), exist_ok=True)
        with open(first, "wb") as f:
            f.write(bytes(1024))
        shown, started, peak, cpu = [], [], [], []
        for _ in range(runs + 1):
            fresh(runner.drive(target))
            f = runner.timed(["--until-copy", "C:\\bench\\manifest\\Setup.exe"])
            shown.append(float(f["copy_shown_ms"]) - float(f["backdrop_painted_ms"]))
            fresh(runner.drive(target))
            f = runner.timed(["--until-file", target + "\\" + names[0], "C:\\bench\\manifest\\Setup.exe"],
                             processor=True)
            if float(f["file_ms"]) < 0:
                raise BenchError("%d entries: the first file was never copied: %s" % (count, f))
            started.append(float(f["file_ms"]) - float(f["backdrop_painted_ms"]))
            peak.append(int(f["peak_working_set_kb"]))
            cpu.append(f["cpu_ms"])
        # The first round warms the caches; the rest count.
        figures[count] = (min(shown[1:]), min(started[1:]), min(peak[1:]), min(cpu[1:]))
        print("  %8d entries: copy dialog %.1f ms, first file %.1f ms, peak working set %d KiB, "
              "processor %.0f ms (raw)" % ((count,) + figures[count]), flush=True)
    base = figures[sizes[0]]
    print("  %8s  %22s  %22s  %22s  %24s" % ("entries", "reading (per entry)", "copy start (per entry)",
                                              "processor to copy start", "peak working set (per entry)"))
    for count in sizes[1:]:
        shown, started, peak, cpu = (figures[count][k] - base[k] for k in range(4))
        print("  %8d  %9.1f ms (%5.2f us)  %9.1f ms (%5.2f us)  %9.0f ms (%5.2f us)  %9.1f MiB (%5d bytes)"
              % (count, shown, 1000 * shown / count, started, 1000 * started / count, cpu, 1000 * cpu / count,
                 peak / 1024.0, peak * 1024 / count))
    for small, large in zip(sizes[1:], sizes[2:]):
        grow = [(figures[large][k] - base[k]) / max(figures[small][k] - base[k], 0.001) for k in range(4)]
        print("  %d / %d entries: reading %.1fx, copy start %.1fx, processor %.1fx, memory %.1fx (linear: %.0fx)"
              % (large, small, grow[0], grow[1], grow[3], grow[2], large / small), flush=True)
    shutil.rmtree(medium, ignore_errors=True)
    fresh(runner.drive(target))


def registry_section(count):
    """[Main Registry] with one key whose value section holds `count` lines."""
    lines = ["[Main Registry]", "Count=1", "1=" + REGISTRY_KEY, "[%s]" % REGISTRY_KEY, "Count=%d" % count]
    lines += ["%d=v%06d, 0, %d" % (i, i, i) for i in range(1, count + 1)]
    return "\n".join(lines) + "\n"


def bench_registry(runner, runs, sizes):
    """The registry step with value sections of growing size: from the painted
    backdrop until the copy dialog appears (the registry step is the last
    before it), the fastest of the rounds after a first that warms the caches,
    with the processor time Setup.exe used by then; the figures of the
    smallest section are taken off."""
    print("registry lines in Setup.exe (from the painted backdrop to the copy dialog, fastest of %d, "
          "minus %d lines):" % (runs, sizes[0]), flush=True)
    medium = runner.drive("C:\\bench\\registry")
    fresh(medium)
    shutil.copy(runner.e2e.setup_exe, medium)
    write_manifest(os.path.join(medium, "Quorin.qpk"), ["a.dat"])
    with open(os.path.join(medium, "a.dat"), "wb") as f:
        f.write(bytes(1024))
    target = "C:\\Games\\registry\\setup"
    figures = {}
    for count in sizes:
        with open(os.path.join(medium, "Setup.ini"), "wb") as f:
            text = SETUP_INI.format(name="registry") + registry_section(count)
            f.write(text.replace("\n", "\r\n").encode("cp949"))
        shown, cpu = [], []
        for _ in range(runs + 1):
            fresh(runner.drive(target))
            started = time.monotonic()
            f = runner.timed(["--until-copy", "C:\\bench\\registry\\Setup.exe"], processor=True)
            if float(f["copy_shown_ms"]) < 0:
                raise BenchError("%d lines: the copy dialog never showed: %s" % (count, f))
            shown.append(float(f["copy_shown_ms"]) - float(f["backdrop_painted_ms"]))
            cpu.append(f["cpu_ms"])
            print("    %d lines: %.1f ms (%.1f s on the clock)" % (count, shown[-1], time.monotonic() - started),
                  flush=True)
        figures[count] = (min(shown[1:]), min(cpu[1:]))
        print("  %8d lines: copy dialog %.1f ms, processor %.0f ms (raw)" % ((count,) + figures[count]), flush=True)
    base = figures[sizes[0]]
    print("  %8s  %24s  %24s" % ("lines", "registry step (per line)", "processor (per line)"))
    for count in sizes[1:]:
        step, cpu = (figures[count][k] - base[k] for k in range(2))
        print("  %8d  %11.1f ms (%6.2f us)  %11.0f ms (%6.2f us)" % (count, step, 1000 * step / count, cpu,
                                                                  1000 * cpu / count))
    for small, large in zip(sizes[1:], sizes[2:]):
        grow = [(figures[large][k] - base[k]) / max(figures[small][k] - base[k], 0.001) for k in range(2)]
        print("  %d / %d lines: registry step %.1fx, processor %.1fx (linear: %.0fx)"
              % (large, small, grow[0], grow[1], large / small), flush=True)
    shutil.rmtree(medium, ignore_errors=True)
    fresh(runner.drive(target))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=int(os.environ.get("BENCH_RUNS", "5")))
    parser.add_argument("--packages", default="small,large,mixed")
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--manifests-only", action="store_true",
                        help="only the manifests of 10,000 to 1,000,000 entries")
    parser.add_argument("--registry-only", action="store_true",
                        help="only the registry step with 1,000 to 100,000 value lines")
    parser.add_argument("--copy-only", action="store_true",
                        help="only the packages' copies, no manifest or registry figures")
    parser.add_argument("--program", choices=("win32", "win64"),
                        help="the Setup.exe to time (default: win32 where 32-bit programs run, else win64)")
    args = parser.parse_args()
    runner = Runner(args.build, args.program)
    if runner.e2e.program.notice:
        print(runner.e2e.program.notice)
    print("program: %s; bare loops of the same bitness" % runner.e2e.program.describe())
    with open("/proc/loadavg") as f:
        print("machine: %d cores, load average %s" % (os.cpu_count(), " ".join(f.read().split()[:3])))
    runner.prepare()
    try:
        if args.registry_only:
            bench_registry(runner, args.runs, REGISTRY_SIZES)
            return 0
        packages = ["smoke"] if args.smoke else [] if args.manifests_only or args.registry_only \
            else args.packages.split(",")
        backdrop = []
        for name in packages:
            backdrop += bench_package(runner, name, 1 if args.smoke else args.runs, args.smoke)["backdrop"]
        if backdrop:
            print("start to first painted backdrop: median %.1f ms over %d runs" % (statistics.median(backdrop),
                                                                                   len(backdrop)))
        if args.copy_only:
            return 0
        if args.smoke:
            bench_manifests(runner, 1, SMOKE_MANIFEST_SIZES)
            bench_registry(runner, 1, SMOKE_REGISTRY_SIZES)
        else:
            bench_manifests(runner, args.runs, MANIFEST_SIZES)
            bench_registry(runner, args.runs, REGISTRY_SIZES)
    except BenchError as error:
        print("bench failed: %s" % error)
        return 1
    finally:
        runner.finish()
    return 0


if __name__ == "__main__":
    sys.exit(main())
