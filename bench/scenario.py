"""The bench's scenario language: what a run of the real Setup.exe is given and
what must hold afterwards.

A scenario is a small text file of sections, each opened by a line
"=== <name>":

  === setup.ini      the setup script, written in UTF-8 here and stored as CP949
                     (no section: the medium has no Setup.ini)
  === medium         files on the medium besides Setup.exe (see MEDIUM_COMMANDS)
  === before         preparation of the prefix (see BEFORE_COMMANDS)
  === dialogue       what the player sees, in order, with the robot's answer
                     after "->"; windows that need no answer (copy dialog,
                     shortcut notice) may be listed without one
  === check          what must hold afterwards (see CHECK_COMMANDS)
  === show           what the demo prints after the run (see SHOW_COMMANDS)
  === options        timeout <seconds>, medium <windows folder>,
                     display <width>x<height> (Xvfb and pictures, see below)
                     confined <places...> (nothing else in drive_c or the
                     registry changes, see "confinement"),
                     noplan <why> (not held against qpk plan, see "the
                     plan's agreement"),
                     auto <limit> (the robot answers every window the dialogue
                     does not, as a player who goes on wherever he can; the
                     same window answered more than <limit> times is a loop)

Lines starting with "#" are comments everywhere but in setup.ini and medium
file contents. Paths are Windows paths (C:\\...) inside the scenario's prefix,
and registry keys are named, as the program under test sees them: when it is
the shipped 32-bit Setup.exe in the 64-bit prefix (as on 64-bit Windows), a
path in C:\\windows\\system32 is the file in syswow64 and HKLM\\Software\\X is
the key in the 32-bit view (Software\\Wow6432Node\\X); "before" and "check"
read and write those. {System} in a path or an expected text is the folder
where the program's system-folder files really lie (C:\\windows\\syswow64 for
the 32-bit program), for records that name it for someone else.
"""
import atexit
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time
import wine
from wine import (LOADDLL_LINE, ROOT, ScenarioError, describe_value, expand_system, expand_user_folders, host_path,
                  lookup_key, path_without_case, read_link, read_reg_file, reg_text, run, started_programs,
                  trace_started_programs)
from transcript import INTERACTIVE, answers_for, dialogue_matches, robot_failure, wine_last_words
from plan import (case_of_dialogue, compare_plan_files, compare_plan_links, compare_plan_registry,
                  compare_plan_start_page, dialogue_of_plan, earlier_installation, files_below,
                  plan_of_medium)

# ---------------------------------------------------------------- scenario file

def parse_scenario(path):
    sections = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n").rstrip("\r")
            m = re.match(r"^=== *(\S+) *$", line)
            if m:
                current = m.group(1)
                sections.setdefault(current, [])
                continue
            if current is None:
                continue  # the heading comment of the file
            sections[current].append(line)
    return sections


def command_lines(lines):
    """Non-empty, non-comment lines of a command section."""
    return [l.strip() for l in lines if l.strip() and not l.strip().startswith("#")]


def unescape(text):
    """\\n, \\t and \\xNN escapes in file contents and expected texts."""
    out = bytearray()
    i = 0
    data = text.encode("utf-8")
    while i < len(data):
        c = data[i:i + 1]
        if c == b"\\" and i + 1 < len(data):
            n = data[i + 1:i + 2]
            if n == b"n":
                out += b"\n"; i += 2; continue
            if n == b"t":
                out += b"\t"; i += 2; continue
            if n == b"r":
                out += b"\r"; i += 2; continue
            if n == b"x" and re.match(rb"[0-9a-fA-F]{2}", data[i + 2:i + 4]):
                out.append(int(data[i + 2:i + 4], 16)); i += 4; continue
        out += c
        i += 1
    return bytes(out)


# ---------------------------------------------------------------- sections

def write_setup_ini(prefix, medium, lines):
    text = "\r\n".join(lines) + "\r\n"
    with open(os.path.join(host_path(prefix, medium), "Setup.ini"), "wb") as f:
        f.write(unescape_lines_cp949(text))


def unescape_lines_cp949(text):
    """The script goes to CP949; \\xNN escapes give raw bytes (for scripts with foreign bytes)."""
    out = bytearray()
    for part in re.split(r"(\\x[0-9a-fA-F]{2})", text):
        if re.fullmatch(r"\\x[0-9a-fA-F]{2}", part):
            out.append(int(part[2:], 16))
        else:
            out += part.encode("cp949")
    return bytes(out)


def medium_file(ctx, args):
    rel, _, content = args.partition(" ")
    path = os.path.join(ctx.medium_host, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(unescape(content))


def medium_size(ctx, args):
    rel, size = args.rsplit(" ", 1)
    path = os.path.join(ctx.medium_host, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(bytes((i * 7 + 3) % 251 for i in range(min(int(size), 1 << 16))) * (int(size) >> 16))
        f.write(bytes((i * 7 + 3) % 251 for i in range(int(size) & 0xFFFF)))


def medium_copy(ctx, args):
    rel, src = args.split(" ", 1)
    path = os.path.join(ctx.medium_host, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(os.path.join(ROOT, src), path)


def is_utf8_text(path):
    """True for a file that reads as UTF-8 and holds more than ASCII."""
    data = open(path, "rb").read()
    try:
        data.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return any(b >= 0x80 for b in data)


def medium_tree(ctx, args):
    """Copies a folder of the repository onto the medium; a Setup.ini kept in UTF-8 goes to CP949,
    one already in CP949 (as it ships) is copied as it is."""
    src = os.path.join(ROOT, args)
    for dirpath, _, filenames in os.walk(src):
        for name in filenames:
            source = os.path.join(dirpath, name)
            rel = os.path.relpath(source, src)
            target = os.path.join(ctx.medium_host, rel)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if rel == "Setup.ini" and is_utf8_text(source):
                with open(source, encoding="utf-8") as f:
                    text = f.read().replace("\r\n", "\n").replace("\n", "\r\n")
                with open(target, "wb") as f:
                    f.write(unescape_lines_cp949(text))
            else:
                shutil.copyfile(source, target)


def medium_folder(ctx, args):
    """Copies a folder of this machine onto the medium byte for byte, as it will ship:
    nothing is converted and a Setup.exe of the folder replaces the build's."""
    src = os.path.abspath(args)
    if not os.path.isdir(src):
        raise ScenarioError("folder: no such folder %s" % src)
    for dirpath, _, filenames in os.walk(src):
        for name in filenames:
            rel = os.path.relpath(os.path.join(dirpath, name), src)
            target = os.path.join(ctx.medium_host, rel)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(os.path.join(dirpath, name), target)


def medium_qpk(ctx, args):
    """Quorin.qpk of the medium's files, written by the freshly built qpk tool."""
    tool = ctx.bench.qpk
    target = os.path.join(ctx.medium_host, "Quorin.qpk")
    run([tool, "build", ctx.medium_host, "-o", target] + split_args(args), None)


def qpk_field(token):
    """One field of a hand-made manifest: u32:N, i32:N, name:<text> (length, bytes, zero), raw:<text>.

    Texts are CP949 with \\xNN escapes for single bytes (\\x20 for a blank)."""
    kind, _, value = token.partition(":")
    if kind == "u32":
        return (int(value, 0) & 0xFFFFFFFF).to_bytes(4, "little")
    if kind == "i32":
        return int(value, 0).to_bytes(4, "little", signed=True)
    data = unescape_lines_cp949(value)  # CP949 text; \xNN gives a raw byte
    if kind == "name":
        return (len(data) + 1).to_bytes(4, "little") + data + b"\0"
    if kind == "raw":
        return data
    raise ScenarioError("unknown manifest field: %s" % token)


def medium_manifest(ctx, args):
    """Quorin.qpk written field by field, for manifests that qpk refuses to make."""
    with open(os.path.join(ctx.medium_host, "Quorin.qpk"), "wb") as f:
        for token in args.split():
            f.write(qpk_field(token))


def medium_sparse(ctx, args):
    """A file of that many bytes that takes no room (its size is all that counts)."""
    rel, size = args.rsplit(" ", 1)
    path = os.path.join(ctx.medium_host, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.truncate(int(size))


def medium_nomanifest(ctx, args):
    ctx.no_manifest = True


def medium_many(ctx, args):
    folder, count, size = args.split()
    for i in range(1, int(count) + 1):
        medium_size(ctx, "%s\\f%04d.dat %s" % (folder, i, size))


def medium_lines(ctx, args):
    """lines [<section>] <count> <line>: a section appended to Setup.ini with
    "Count=<count>" and lines 1 to <count>, each <line> with {n} replaced by
    its number (scripts too long to write out)."""
    match = re.fullmatch(r"\[(.+)\] (\d+) (.*)", args)
    if not match:
        raise ValueError("lines [<section>] <count> <line>: %r" % args)
    section, count, line = match.group(1), int(match.group(2)), match.group(3)
    text = "[%s]\r\nCount=%d\r\n" % (section, count)
    text += "".join("%d=%s\r\n" % (n, line.replace("{n}", str(n))) for n in range(1, count + 1))
    with open(os.path.join(ctx.medium_host, "Setup.ini"), "ab") as f:
        f.write(text.encode("cp949"))


class Gate:
    """A package file that the copy cannot get past until the robot has acted.

    The bench asks the kernel (fanotify, a permission event on opening) to
    hold whoever opens the medium's file until the bench has answered. When
    the copy opens it, the bench stops Setup.exe's process (SIGSTOP) and then
    lets the open go on, so that the rest of Wine (the wineserver does the
    opening) keeps working while the setup stands still in the gate file. Once
    the robot has done the action "open-gate" (the n-th time for the n-th
    gate; the file C:\\robot\\gate<n>.open appears), the setup goes on
    (SIGCONT). The file itself is never changed.

    The copy loop looks after its window (and so sees a pressed Cancel) after
    a file only when a frame of 16 ms has passed since it last did; the setup
    is therefore kept standing at least HOLD seconds, which makes the file in
    the gate always end with such a look."""

    HOLD = 0.1
    FAN_CLASS_CONTENT = 0x04
    FAN_CLOEXEC = 0x01
    FAN_OPEN_PERM = 0x00010000
    FAN_MARK_ADD = 0x01
    FAN_ALLOW = 0x01
    AT_FDCWD = -100

    def __init__(self, prefix, path, signal_path, reached_path):
        """path: the gate file (Linux path); signal_path: the file whose
        appearance lets the setup go on; reached_path: made once the setup
        stands in the gate."""
        self.prefix = prefix
        self.path = path
        if not os.path.isfile(self.path):
            raise ScenarioError("gate: no file %s on the medium (list it before the gate)" % path)
        self.signal = signal_path
        self.reached = reached_path
        self.on_reached = None  # what the bench does while the setup stands in the gate
        self.opens = 1  # the setup stands in the gate at this open of the file; earlier ones go through
        self.fan = None
        self.stopped = []  # the pids of the setup while it stands in the gate
        self.thread = None
        self.stopping = threading.Event()

    def close_over(self):
        import ctypes
        libc = ctypes.CDLL(None, use_errno=True)
        fan = libc.fanotify_init(self.FAN_CLASS_CONTENT | self.FAN_CLOEXEC, os.O_RDONLY)
        if fan < 0 or libc.fanotify_mark(fan, self.FAN_MARK_ADD, ctypes.c_uint64(self.FAN_OPEN_PERM), self.AT_FDCWD,
                                         self.path.encode()) != 0:
            raise ScenarioError("gate: the kernel will not hold opens of %s (fanotify, root only): %s" %
                                (self.path, os.strerror(ctypes.get_errno())))
        self.fan = fan
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def next_open(self):
        """(fd, pid) of the next waiting open, or None once the gate is being taken down."""
        import select
        import struct
        while not self.stopping.is_set():
            if select.select([self.fan], [], [], 0.05)[0]:
                data = os.read(self.fan, 4096)
                _, _, _, _, _, fd, pid = struct.unpack("IBBHQii", data[:24])
                return fd, pid
        return None

    def allow(self, fd):
        import struct
        os.write(self.fan, struct.pack("iI", fd, self.FAN_ALLOW))
        os.close(fd)

    def setup_pids(self):
        """The Linux processes of this prefix's Setup.exe."""
        pids = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if not f.read().split(b"\0")[0].lower().endswith(b"\\setup.exe"):
                        continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("WINEPREFIX=%s" % self.prefix).encode() not in f.read().split(b"\0"):
                        continue
            except OSError:
                continue
            pids.append(int(pid))
        return pids

    def watch(self):
        waiting = self.next_open()
        for _ in range(self.opens - 1):
            if waiting is None:
                return
            self.allow(waiting[0])
            waiting = self.next_open()
        if waiting is None:
            return
        self.stopped = self.setup_pids()
        for pid in self.stopped:
            os.kill(pid, signal.SIGSTOP)
        self.allow(waiting[0])
        if self.on_reached:
            self.on_reached()
        # The robot's "wait-gate": the setup stands in the gate now.
        open(self.reached, "w").close()
        self.take_down()
        while not self.stopping.is_set() and not os.path.exists(self.signal):
            self.stopping.wait(0.02)
        self.stopping.wait(self.HOLD)
        self.go_on()

    def take_down(self):
        if self.fan is not None:
            os.close(self.fan)  # opens still waiting are let through
            self.fan = None

    def go_on(self):
        for pid in self.stopped:
            try:
                os.kill(pid, signal.SIGCONT)
            except ProcessLookupError:
                pass
        self.stopped = []

    def restore(self):
        """After the run: nothing held, nobody stopped."""
        self.stopping.set()
        if self.thread:
            self.thread.join(timeout=60)
        self.take_down()
        self.go_on()


def medium_gate(ctx, args):
    """gate <relative path> [symlink <windows path> <target windows path>] [open <n>]:
    with symlink, the link is made (as by the before-command symlink) while the
    setup stands in the gate, after every check that comes before the copy;
    with open <n>, the setup stands in the gate at the n-th open of the file
    (the earlier ones, such as the disk-space check's, go through)."""
    words = args.split()
    gate = add_gate(ctx, os.path.join(ctx.medium_host, *words[0].split("\\")))
    if len(words) >= 3 and words[-2] == "open" and words[-1].isdigit() and int(words[-1]) >= 1:
        gate.opens = int(words[-1])
        words = words[:-2]
    if len(words) == 4 and words[1] == "symlink":
        gate.on_reached = lambda: before_symlink(ctx, words[2] + " " + words[3])
    elif len(words) != 1:
        raise ScenarioError("gate: <relative path> [symlink <windows path> <target windows path>] [open <n>]: %s"
                            % args)


def add_gate(ctx, path):
    """The next gate of the run, on a file of the medium (host path)."""
    gates = getattr(ctx, "gates", [])
    number = len(gates) + 1
    robot = host_path(ctx.prefix, "C:\\robot")
    gate = Gate(ctx.prefix, path, os.path.join(robot, "gate%d.open" % number),
                os.path.join(robot, "gate%d.reached" % number))
    ctx.gates = gates + [gate]
    return gate


def medium_hold_copy(ctx, args):
    """hold-copy <relative path> [<relative path>]: the files the copy opens first
    (in its order), each made a gate, for the picture of the copy dialog under
    --preview: the robot lets the setup through every gate but the last and
    pictures the dialog while the setup stands in that one. The copy looks
    after its window after the file of a gate it was held in, and only there
    is the dialog's drawing sure to have reached the X server: with two files
    the picture shows the dialog as drawn, with one it may show it before."""
    names = split_args(args)
    if not 1 <= len(names) <= 2:
        raise ScenarioError("hold-copy <relative path> [<relative path>]: %s" % args)
    for name in names:
        add_gate(ctx, path_without_case(ctx.medium_host, name.split("\\")))
    shots = os.path.join(host_path(ctx.prefix, "C:\\robot"), "shots")
    os.makedirs(shots, exist_ok=True)
    with open(os.path.join(shots, "hold-copy"), "w") as f:
        f.write("%d\n" % len(names))


def default_manifest(ctx):
    """A medium always has a package manifest unless the scenario says nomanifest: an empty one."""
    path = os.path.join(ctx.medium_host, "Quorin.qpk")
    if not getattr(ctx, "no_manifest", False) and not os.path.exists(path):
        with open(path, "wb") as f:
            f.write(bytes(8))


def fixture_library(ctx, name):
    """A test library of the Windows build, made from tests/e2e/fixtures/<name>.rc."""
    path = os.path.join(ctx.bench.program.fixtures, name + ".dll")
    if not os.path.isfile(path):
        raise ScenarioError("no test library %s (tests/e2e/fixtures/%s.rc)" % (name, name))
    return path


def medium_fixture(ctx, args):
    rel, name = args.rsplit(" ", 1)
    path = os.path.join(ctx.medium_host, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(fixture_library(ctx, name), path)


def medium_program(ctx, args):
    """program: the program under test as the medium's Setup.exe, in place of the one there."""
    target = path_without_case(ctx.medium_host, ["Setup.exe"])
    shutil.copyfile(ctx.bench.setup_exe, target)


MEDIUM_COMMANDS = {
    "tree": medium_tree,     # tree <folder of the repository>: a whole prepared medium
    "folder": medium_folder, # folder <folder of this machine>: a medium as it ships, byte for byte
    "program": medium_program,  # program: the program under test replaces the medium's Setup.exe
    "file": medium_file,     # file <relative path> <content with \n escapes>
    "size": medium_size,     # size <relative path> <bytes>: a file of that many bytes
    "copy": medium_copy,     # copy <relative path> <file of the repository>
    "fixture": medium_fixture,  # fixture <relative path> <test library>: ko_v1, ko_v2, en_v1, en_v2, notrans_v2
    # Package manifest: without one of these the medium gets an empty Quorin.qpk.
    "qpk": medium_qpk,             # qpk [qpk build options]: manifest of the medium's files (after them)
    "manifest": medium_manifest,   # manifest u32:N i32:N name:<text> raw:<text> ...: byte by byte
    "nomanifest": medium_nomanifest,  # nomanifest: the medium has no Quorin.qpk
    "many": medium_many,     # many <folder> <count> <bytes>: files <folder>\f0001.dat ...
    "lines": medium_lines,   # lines [<section>] <count> <line with {n}>: a generated section of Setup.ini
    "sparse": medium_sparse, # sparse <relative path> <bytes>: a sparse file of that size
    # gate <relative path>: the copy stands in that file until the robot's action "open-gate"
    "gate": medium_gate,     # gate <relative path> [symlink <windows path> <target>] [open <n>]: see Gate
    "hold-copy": medium_hold_copy,  # hold-copy <relative path> [<relative path>]: the copy dialog's picture
}


def before_mkdir(ctx, args):
    os.makedirs(host_path(ctx.prefix, args), exist_ok=True)


def before_symlink(ctx, args):
    """symlink <windows path> <target windows path>: a Unix symbolic link in the
    prefix, which Wine follows as Windows follows a junction and reports as a
    reparse point (FILE_ATTRIBUTE_REPARSE_POINT); the target's folder must
    exist, the target itself need not (a link to a file not there yet). Neither
    path may hold a blank."""
    link, target = args.split()
    link_host = host_path(ctx.prefix, link)
    folder, _, name = target.rpartition("\\")
    target_host = os.path.join(os.path.realpath(host_path(ctx.prefix, folder, must_exist=True)),
                               os.path.basename(host_path(ctx.prefix, target)))
    os.makedirs(os.path.dirname(link_host), exist_ok=True)
    os.symlink(target_host, link_host)


def before_file(ctx, args):
    winpath, _, content = args.partition(" ")
    path = host_path(ctx.prefix, winpath)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(unescape(content))


def before_reg(ctx, args):
    run(["wine", "reg"] + split_args(args) + ctx.bench.program.reg_args(), ctx.env, timeout=120)


def before_readonly(ctx, args):
    os.chmod(host_path(ctx.prefix, args, must_exist=True), 0o444)


def before_fixture(ctx, args):
    winpath, name = args.rsplit(" ", 1)
    path = host_path(ctx.prefix, winpath)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(fixture_library(ctx, name), path)


def before_hold(ctx, args):
    """Starts lockholder.exe on a file of the prefix. It keeps the file open without
    sharing until the bench says that Setup.exe has ended; with "session" it then
    also waits for the end-of-session messages of a restart. It notes what it
    saw in C:\\helpers\\<name>.log."""
    winpath, _, mode = args.partition(" ")
    helpers = host_path(ctx.prefix, "C:\\helpers")
    os.makedirs(helpers, exist_ok=True)
    tool = os.path.join(helpers, "lockholder.exe")
    if not os.path.exists(tool):  # never overwrite a copy that is running
        shutil.copyfile(os.path.join(ctx.bench.bench_dir, "lockholder.exe"), tool)
    name = winpath.rsplit("\\", 1)[-1]
    marker = "C:\\helpers\\%s.held" % name
    proc = subprocess.Popen(["wine", "C:\\helpers\\lockholder.exe", winpath, marker, "C:\\helpers\\%s.log" % name,
                             HELPERS_RELEASE] + (["session"] if mode.strip() == "session" else []),
                            env=ctx.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ctx.helpers = getattr(ctx, "helpers", []) + [proc]
    wait_for(lambda: os.path.exists(host_path(ctx.prefix, marker)) or proc.poll() is not None,
             "lockholder holding %s" % winpath, 120)
    if proc.poll() is not None:
        raise ScenarioError("lockholder could not hold %s" % winpath)


HELPERS_RELEASE = "C:\\helpers\\setup.ended"


def release_helpers(ctx):
    """Setup.exe has ended: the helpers let go of what they hold."""
    if getattr(ctx, "helpers", None):
        open(host_path(ctx.prefix, HELPERS_RELEASE), "w").close()


def wait_for(condition, what, limit):
    """Waits until condition() holds; the limit is a last resort and names what never came."""
    deadline = time.time() + limit
    while not condition():
        if time.time() > deadline:
            raise ScenarioError("gave up after %d s waiting for: %s" % (limit, what))
        time.sleep(0.02)


DRIVE_TYPES = {"floppy": 2, "hd": 3, "network": 4, "cdrom": 5, "ramdisk": 6}


def set_drive(ctx, letter, target, kind):
    """Maps <letter>: to a Linux folder with a drive type. The types are read
    when the prefix's services start, so the one that reg starts is let end
    first; and since those services come up beside the setup, not before it,
    the robot starts the setup only once the drive shows its type."""
    link = os.path.join(ctx.prefix, "dosdevices", letter.lower() + ":")
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(target, link)
    run(["wine", "reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", letter.lower() + ":", "/d", kind, "/f",
         "/reg:64"], ctx.env, timeout=120)  # read by Wine's own 64-bit services
    run(["wineserver", "-w"], ctx.env, timeout=120)
    ctx.robot_preconditions = getattr(ctx, "robot_preconditions", []) + [
        "drive %s: %d" % (letter.upper(), DRIVE_TYPES[kind])]


def before_drive(ctx, args):
    letter, kind = args.split()
    target = os.path.join(ctx.prefix, "drive_" + letter.rstrip(":").lower())
    os.makedirs(target, exist_ok=True)
    set_drive(ctx, letter.rstrip(":"), target, kind)


MOUNTS = []  # tmpfs mounts of this run, released whatever ends it


def unmount_all():
    while MOUNTS:
        mount = MOUNTS.pop()
        if subprocess.run(["umount", "-l", mount], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
            os.rmdir(mount)


def before_tmpfs(ctx, args):
    """A fixed disk of an exact size: a tmpfs (mounting needs root) outside the prefix."""
    import atexit
    import signal
    letter, size = args.split()
    letter = letter.rstrip(":").lower()
    mount = os.path.join(ctx.bench.build, "wine", "mounts", os.path.basename(ctx.prefix) + "-" + letter)
    os.makedirs(mount, exist_ok=True)
    # A mount left behind by a run that was killed.
    subprocess.run(["umount", "-l", mount], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not MOUNTS:
        atexit.register(unmount_all)
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%s,mode=0777" % size, "tmpfs", mount],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if r.returncode != 0:
        raise ScenarioError("cannot mount a tmpfs of %s (root only): %s" % (size, r.stdout.decode(errors="replace")))
    MOUNTS.append(mount)
    set_drive(ctx, letter, mount, "hd")


BEFORE_COMMANDS = {
    "mkdir": before_mkdir,       # mkdir <windows folder>
    "file": before_file,         # file <windows path> <content>
    "symlink": before_symlink,   # symlink <windows path> <target windows path>: a link Wine follows like a junction
    "reg": before_reg,           # reg <arguments of wine reg>, e.g. reg add "HKCU\Software\X" /v V /d 1 /f
    "readonly": before_readonly, # readonly <windows path>
    "fixture": before_fixture,   # fixture <windows path> <test library>
    "hold": before_hold,         # hold <windows path> [session]: held open until Setup.exe ends; session: and until a restart ends the session
    "drive": before_drive,       # drive <letter>: <hd|cdrom|floppy|network|ramdisk>: a new drive of that type
    "tmpfs": before_tmpfs,       # tmpfs <letter>: <size, e.g. 1m>: a fixed disk with exactly that much room
}


def split_args(text):
    return shlex.split(text, posix=True)


def check_exit(ctx, args):
    if ctx.killed:
        ctx.fail("the robot killed the setup; expected it to end with exit code %s" % args)
    elif ctx.exit_code != int(args):
        ctx.fail("exit code %s, expected %s" % (ctx.exit_code, args))


def check_killed(ctx, args):
    """killed: the robot ended the setup (its action "kill"), which Wine would
    otherwise report as an exit code of 0."""
    if not ctx.killed:
        ctx.fail("the setup was not killed; it ended with exit code %s" % ctx.exit_code)


def check_dir(ctx, args):
    if not os.path.isdir(host_path(ctx.prefix, args)):
        ctx.fail("folder missing: %s" % args)


def check_nodir(ctx, args):
    if os.path.isdir(host_path(ctx.prefix, args)):
        ctx.fail("folder should not exist: %s" % args)


def check_file(ctx, args):
    winpath, sep, content = args.partition(" ")
    path = host_path(ctx.prefix, winpath)
    if not os.path.isfile(path):
        ctx.fail("file missing: %s" % winpath)
        return
    if sep:
        with open(path, "rb") as f:
            actual = f.read()
        expected = unescape(expand_system(content))
        if "{System}" in content:  # Windows names the folder in its own case
            actual, expected = actual.lower(), expected.lower()
        if actual != expected:
            ctx.fail("file %s holds %r, expected %r" % (winpath, actual[:200], expected[:200]))


def check_nofile(ctx, args):
    if os.path.exists(host_path(ctx.prefix, args)):
        ctx.fail("should not exist: %s" % args)


def check_same(ctx, args):
    winpath, rel = args.split(" ", 1)
    path = host_path(ctx.prefix, winpath)
    src = os.path.join(ctx.medium_host, *rel.split("\\"))
    if not os.path.isfile(path):
        ctx.fail("file missing: %s" % winpath)
    elif open(path, "rb").read() != open(src, "rb").read():
        ctx.fail("%s differs from the medium's %s" % (winpath, rel))


def check_reg(ctx, args):
    """reg "<key>" "<name or @>" <sz|dword|binary|bytes> <data>"""
    parts = split_args(args)
    key, name, kind = parts[0], parts[1], parts[2]
    expected = parts[3] if len(parts) > 3 else ""
    keys, full = lookup_key(ctx.prefix, key)
    values = keys.get(full)
    vname = "" if name == "@" else name
    if values is None or vname.lower() not in values:
        ctx.fail("registry value missing: %s [%s]" % (key, name))
        return
    value = values[vname.lower()]
    rtype, data, stored_name = value
    if stored_name != vname:
        ctx.fail("registry value name %r, expected %r" % (stored_name, vname))
    ok = True
    if kind == "sz":
        ok = rtype == 1 and reg_text(data).split("\0")[0] == expected
    elif kind == "sz-exact":  # the whole stored text, NULs included, e.g. "abc\0"
        ok = rtype == 1 and reg_text(data) == unescape(expected).decode("utf-8")
    elif kind == "dword":
        ok = rtype == 4 and len(data) == 4 and int.from_bytes(data, "little") == int(expected, 0)
    elif kind == "binary":
        ok = rtype == 3 and data.hex() == expected.lower()
    elif kind == "sz-bytes":  # REG_SZ with this many characters stored (NUL included)
        ok = rtype == 1 and len(data) // 2 == int(expected)
    else:
        raise ScenarioError("unknown value kind in check: %s" % kind)
    if not ok:
        ctx.fail("registry %s [%s] is %s, expected %s %s" % (key, name, describe_value(value), kind, expected))


def check_regkey(ctx, args):
    keys, full = lookup_key(ctx.prefix, split_args(args)[0])
    if full not in keys:
        ctx.fail("registry key missing: %s" % args)


def check_regcount(ctx, args):
    parts = split_args(args)
    keys, full = lookup_key(ctx.prefix, parts[0])
    found = len(keys.get(full, {}))
    if found != int(parts[1]):
        ctx.fail("registry key %s holds %d values, expected %s" % (parts[0], found, parts[1]))


def check_noreg(ctx, args):
    parts = split_args(args)
    keys, full = lookup_key(ctx.prefix, parts[0])
    if len(parts) == 1:
        if full in keys:
            ctx.fail("registry key should not exist: %s" % parts[0])
        return
    vname = "" if parts[1] == "@" else parts[1]
    if full in keys and vname.lower() in keys[full]:
        ctx.fail("registry value should not exist: %s [%s]" % (parts[0], parts[1]))


def check_transcript(ctx, args):
    if args not in ctx.transcript:
        ctx.fail("transcript lacks: %s" % args)


def check_notranscript(ctx, args):
    if any(args in line for line in ctx.transcript):
        ctx.fail("transcript should not contain: %s" % args)


def check_reboot(ctx, args):
    """Restarts the prefix's Windows (wineboot -r), which carries out the file
    replacements left for the next start; the checks after it see the result."""
    for proc in getattr(ctx, "helpers", []):
        proc.wait(timeout=60)
    run(["wine", "wineboot", "-r"], ctx.env, timeout=120)
    run(["wineserver", "-w"], ctx.env, timeout=60)


def check_noglob(ctx, args):
    import fnmatch
    folder, _, pattern = args.rpartition("\\")
    base = host_path(ctx.prefix, folder)
    names = os.listdir(base) if os.path.isdir(base) else []
    found = sorted(n for n in names if fnmatch.fnmatch(n.lower(), pattern.lower()))
    if found:
        ctx.fail("%s matches %s" % (args, ", ".join(found)))


def check_pending(ctx, args):
    """A move left for the next start by MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT
    and MOVEFILE_REPLACE_EXISTING (the "!" before the target)."""
    source, target = expand_system(args).split()
    keys, full = lookup_key(ctx.prefix, "HKLM\\System\\CurrentControlSet\\Control\\Session Manager")
    value = keys.get(full, {}).get("pendingfilerenameoperations")
    entries = reg_text(value[1]).split("\0") if value and value[0] == 7 else []
    pairs = [(a.lower(), b.lower()) for a, b in zip(entries[0::2], entries[1::2])]
    if ("\\??\\" + source.lower(), "!\\??\\" + target.lower()) not in pairs:
        ctx.fail("no pending replacement of %s by %s; pending: %s" % (target, source, pairs))


def check_line(ctx, args):
    winpath, _, line = args.partition(" ")
    path = host_path(ctx.prefix, winpath)
    if not os.path.isfile(path):
        ctx.fail("file missing: %s" % winpath)
        return
    with open(path, "rb") as f:
        lines = f.read().decode("cp949", errors="replace").splitlines()
    if "{System}" in line:  # Windows names the folder in its own case
        line = expand_system(line).lower()
        lines = [l.lower() for l in lines]
    if line not in lines:
        ctx.fail("%s has no line %r; it holds %r" % (winpath, line, lines))


CHECK_COMMANDS = {
    "exit": check_exit,          # exit <signed code>: the setup ended itself with it (not killed)
    "killed": check_killed,      # killed: the robot's action "kill" ended the setup
    "dir": check_dir,            # dir <windows folder>
    "nodir": check_nodir,
    "file": check_file,          # file <windows path> [exact content with \n escapes]
    "nofile": check_nofile,
    "same": check_same,          # same <windows path> <medium-relative path>: identical bytes
    "reg": check_reg,            # reg "<key>" "<name|@>" sz|sz-exact|sz-bytes|dword|binary <data>
    "regkey": check_regkey,      # regkey "<key>"
    "regcount": check_regcount,  # regcount "<key>" <number of values>
    "noreg": check_noreg,        # noreg "<key>" ["<name|@>"]
    "transcript": check_transcript,      # transcript <a whole line of the transcript>
    "notranscript": check_notranscript,  # notranscript <text in no line>
    "reboot": check_reboot,      # reboot: wineboot -r carries out pending replacements (checks after see it)
    "noglob": check_noglob,      # noglob <windows folder>\<pattern>: no file matches, e.g. C:\windows\ver*.tmp
    "pending": check_pending,    # pending <from> <to>: a replacement scheduled for the next start (no blanks)
    "line": check_line,          # line <windows path> <a whole line of that text file (CP949)>
}


def show_files(ctx, args):
    base = host_path(ctx.prefix, args)
    print("  files under %s:" % args)
    if not os.path.isdir(base):
        print("    (missing)")
        return
    for dirpath, dirnames, filenames in sorted(os.walk(base)):
        dirnames.sort()
        for name in sorted(filenames):
            p = os.path.join(dirpath, name)
            rel = os.path.relpath(p, base).replace("/", "\\")
            print("    %-40s %8d bytes" % (rel, os.path.getsize(p)))


def show_reg(ctx, args):
    key = split_args(args)[0]
    keys, full = lookup_key(ctx.prefix, key)
    print("  registry %s:" % key)
    values = keys.get(full)
    if values is None:
        print("    (missing)")
        return
    for _, value in sorted(values.items()):
        print("    %-20s %s" % (value[2] or "(default)", describe_value(value)))


def show_file(ctx, args):
    path = host_path(ctx.prefix, args)
    size = "%d bytes" % os.path.getsize(path) if os.path.isfile(path) else "(missing)"
    print("  %s: %s" % (args, size))


def show_text(ctx, args):
    path = host_path(ctx.prefix, args)
    print("  %s:" % args)
    if not os.path.isfile(path):
        print("    (missing)")
        return
    with open(path, "rb") as f:
        for line in f.read().decode("cp949", errors="replace").splitlines():
            print("    " + line)


SHOW_COMMANDS = {"files": show_files, "reg": show_reg, "file": show_file, "text": show_text}


def check_link(ctx, args):
    """link <windows path of the .lnk> | <field>=<value> | ...; fields: target,
    arguments, workdir, icon, iconindex, description, show."""
    parts = args.split(" | ")
    fields = read_link(ctx, parts[0])
    if fields is None:
        ctx.fail("link missing: %s" % parts[0])
        return
    for part in parts[1:]:
        name, _, expected = part.partition("=")
        if name not in fields:
            raise ScenarioError("unknown link field: %s" % name)
        if fields[name] != expected:
            ctx.fail("link %s: %s is %r, expected %r" % (parts[0], name, fields[name], expected))


def read_records(ctx, winpath):
    """The lines of a recorder.exe log without their leading times."""
    path = host_path(ctx.prefix, winpath)
    if not os.path.isfile(path):
        return None
    with open(path, encoding="utf-8", errors="replace") as f:
        return [l.rstrip("\n").partition(" ")[2] for l in f if l.strip()]


def check_records(ctx, args):
    """records <log> <expected lines, separated by " | ">: the whole log, times left out."""
    winpath, _, expected = args.partition(" ")
    lines = read_records(ctx, winpath)
    want = expected.split(" | ") if expected else []
    if lines is None:
        ctx.fail("no program wrote %s" % winpath)
    elif lines != want:
        ctx.fail("%s holds %r, expected %r" % (winpath, lines, want))


def show_links(ctx, args):
    base = host_path(ctx.prefix, args)
    print("  links under %s:" % args)
    found = False
    for dirpath, dirnames, filenames in sorted(os.walk(base)):
        dirnames.sort()
        for name in sorted(n for n in filenames if n.lower().endswith(".lnk")):
            rel = os.path.relpath(os.path.join(dirpath, name), base).replace("/", "\\")
            fields = read_link(ctx, args.rstrip("\\") + "\\" + rel)
            print("    %s" % rel)
            for key in ("target", "arguments", "workdir", "icon", "description", "show"):
                print("      %-12s %s" % (key, fields[key]))
            found = True
    if not found:
        print("    (none)")


def show_records(ctx, args):
    path = host_path(ctx.prefix, args)
    print("  programs started (%s):" % args)
    if not os.path.isfile(path):
        print("    (none)")
        return
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            print("    " + line.rstrip("\n"))


def copy_bench_tool(ctx, host_target, name):
    os.makedirs(os.path.dirname(host_target), exist_ok=True)
    shutil.copyfile(os.path.join(ctx.bench.bench_dir, name), host_target)


MEDIUM_COMMANDS["tool"] = lambda ctx, args: copy_bench_tool(  # tool <relative path> <bench program, e.g. recorder.exe>
    ctx, os.path.join(ctx.medium_host, *args.rsplit(" ", 1)[0].split("\\")), args.rsplit(" ", 1)[1])
BEFORE_COMMANDS["tool"] = lambda ctx, args: copy_bench_tool(  # tool <windows path> <bench program>
    ctx, host_path(ctx.prefix, args.rsplit(" ", 1)[0]), args.rsplit(" ", 1)[1])
CHECK_COMMANDS["link"] = check_link        # link <.lnk> | target=... | arguments=... | show=1
CHECK_COMMANDS["records"] = check_records  # records <recorder log> <line> | <line> | ...


# ---------------------------------------------------------------- very many files

def medium_tiny(ctx, args):
    """tiny <folder> <count> <per folder>: <count> empty files <folder>\\d0000\\f000000.dat ...,
    <per folder> to a sub-folder (Wine looks through the whole folder for every
    new name, so one folder of tens of thousands would make the copy crawl)."""
    folder, count, per = args.split()
    base = os.path.join(ctx.medium_host, *folder.split("\\"))
    for i in range(int(count)):
        sub = os.path.join(base, "d%04d" % (i // int(per)))
        if i % int(per) == 0:
            os.makedirs(sub, exist_ok=True)
        open(os.path.join(sub, "f%06d.dat" % i), "wb").close()


MEDIUM_COMMANDS["tiny"] = medium_tiny  # tiny <folder> <count> <per folder>: that many empty files
SHOW_COMMANDS["links"] = show_links        # links <windows folder>: every .lnk below it with its fields
SHOW_COMMANDS["records"] = show_records    # records <recorder log>: the programs started, with times


def check_plan(ctx, args):
    """plan <recorder log or -> [qpk plan options]: what `qpk plan --json` lists for the
    medium is exactly what the run left: registry values under the planned keys,
    files in the install folder and the shared files, links, started programs (from
    the recorder's log, or with "-" from Wine's trace of the run: any program)."""
    parts = split_args(args)
    plan = plan_of_medium(ctx.bench, ctx.medium_host, ctx.medium, ctx.prefix, parts[1:])
    earlier = getattr(ctx, "earlier_plan", None)
    compare_plan_registry(ctx, plan, earlier)
    compare_plan_start_page(ctx, plan)
    compare_plan_files(ctx, plan, earlier)
    compare_plan_links(ctx, plan, earlier)
    if parts[0] == "-":
        started = started_programs(ctx)
        compare_program_files(ctx, plan)
    else:
        started = [l[len("start "):] for l in (read_records(ctx, parts[0]) or []) if l.startswith("start ")]
    if started != [p["command"] for p in plan["programs"]]:
        ctx.fail("plan: programs started %r, the plan lists %r" % (started, [p["command"] for p in plan["programs"]]))


def compare_program_files(ctx, plan):
    """Each started program ran from the file the plan names for it (where the
    plan can name one: a command line that gives the program's drive)."""
    files = [image for _, image in wine.started_program_files(ctx)]
    for program, image in zip(plan["programs"], files):
        if program.get("program") and program["program"].lower() != image.lower():
            ctx.fail("plan: %r ran %s, the plan says %s" % (program["command"], image, program["program"]))


CHECK_COMMANDS["plan"] = check_plan  # plan <recorder log or -> [qpk plan options]: qpk plan --json equals the run's results


# ---------------------------------------------------------------- pictures (Xvfb)
#
# "=== options" "display <width>x<height>" runs a scenario on an Xvfb screen of
# that size with Wine's X11 driver instead of the null driver, with Nanum fonts
# for the program's Korean face names and without font anti-aliasing, so that
# text is drawn in exactly the colour the program asks for. The robot actions
# "shot <name>" and "shot-backdrop <name>" (and --preview: every window) take
# PNG pictures of the screen into <build>/shots/<scenario>/; the checks
# "pixel" and "pixels" read them in the backdrop's client coordinates.

FONT_REPLACEMENTS = {"궁서": "NanumMyeongjo", "굴림": "NanumGothic"}

NO_ANTIALIAS_FONTS_CONF = """<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="font"><edit name="antialias" mode="assign"><bool>false</bool></edit></match>
</fontconfig>
"""


def use_x11_driver(prefix):
    """Before any Wine process runs in the prefix: no null driver, Korean faces mapped to Nanum."""
    path = os.path.join(prefix, "user.reg")
    with open(path, encoding="ascii", errors="surrogateescape") as f:
        text = f.read()
    text = text.replace('"Graphics"="null"\n', "")
    text += "\n[Software\\\\Wine\\\\Fonts\\\\Replacements] %d\n" % int(time.time())
    for face, target in FONT_REPLACEMENTS.items():
        text += '"%s"="%s"\n' % ("".join("\\x%04x" % ord(c) for c in face), target)
    with open(path, "w", encoding="ascii", errors="surrogateescape") as f:
        f.write(text)


class Display:
    """An Xvfb screen for one scenario and the watcher that answers the robot's picture requests."""

    def __init__(self, ctx, name, size):
        self.ctx = ctx
        self.shots = {}   # name -> (png path, (client x, client y, client width, client height))
        self.pixels = {}  # name -> (width, height, rgb bytes)
        self.out_dir = os.path.join(ctx.bench.build, "shots", name)
        shutil.rmtree(self.out_dir, ignore_errors=True)
        os.makedirs(self.out_dir)
        use_x11_driver(ctx.prefix)
        fonts_conf = os.path.join(ctx.prefix, "fonts.conf")
        with open(fonts_conf, "w") as f:
            f.write(NO_ANTIALIAS_FONTS_CONF)
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            raise ScenarioError("Xvfb did not start")
        atexit.register(self.stop)
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
        ctx.env["DISPLAY"] = ":" + number
        ctx.env["FONTCONFIG_FILE"] = fonts_conf
        self.requests = os.path.join(host_path(ctx.prefix, "C:\\robot"), "shots")
        self.stopping = threading.Event()
        self.watcher = threading.Thread(target=self.watch, daemon=True)
        self.watcher.start()

    def watch(self):
        while not self.stopping.is_set():
            if os.path.isdir(self.requests):
                for entry in sorted(os.listdir(self.requests)):
                    if entry.endswith(".req"):
                        self.take(entry[:-4])
            time.sleep(0.05)

    def take(self, name):
        base = os.path.join(self.requests, name)
        with open(base + ".req") as f:
            client = tuple(int(v) for v in f.read().split())
        png = os.path.join(self.out_dir, name + ".png")
        subprocess.run(["import", "-window", "root", png], env=self.ctx.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        with open(os.path.join(self.out_dir, name + ".txt"), "w") as f:
            f.write("backdrop client area at %d,%d, %d x %d\n" % client)
        self.shots[name] = (png, client)
        os.replace(base + ".req", base + ".taken")
        open(base + ".done", "w").close()

    def stop(self):
        self.stopping.set()
        if self.server.poll() is None:
            self.server.terminate()
            self.server.wait(timeout=10)
        self.drop_gone()

    def drop_gone(self):
        """The robot's pictures of windows that were gone by the end of their
        picture (NAME.gone beside the requests) are dropped: they may show the
        window after. Their names are kept in `gone`."""
        self.gone = getattr(self, "gone", [])
        for name in sorted(self.shots):
            if os.path.exists(os.path.join(self.requests, name + ".gone")):
                png, _ = self.shots.pop(name)
                for path in (png, png[:-4] + ".txt"):
                    wine.remove_file(path)
                self.gone.append(name)

    def read(self, shot):
        """(width, height, rgb bytes, client origin) of a picture."""
        if shot not in self.shots:
            raise ScenarioError("no picture named %s" % shot)
        png, client = self.shots[shot]
        if shot not in self.pixels:
            data = subprocess.run(["convert", png, "-depth", "8", "ppm:-"], stdout=subprocess.PIPE,
                                  check=True).stdout
            magic, width, height, maxval, rgb = data.split(None, 4)
            if magic != b"P6" or maxval != b"255":
                raise ScenarioError("unexpected picture format of %s" % png)
            self.pixels[shot] = (int(width), int(height), rgb)
        return self.pixels[shot] + (client,)


def start_display(ctx, name, preview):
    size = ctx.options.get("display", "1024x768" if preview else None)
    return Display(ctx, name, size) if size else None


def pixel_at(ctx, shot, x, y):
    width, height, rgb, client = ctx.display.read(shot)
    sx, sy = client[0] + x, client[1] + y
    if not (0 <= x < client[2] and 0 <= y < client[3] and 0 <= sx < width and 0 <= sy < height):
        raise ScenarioError("pixel %d,%d lies outside the backdrop's client area in %s" % (x, y, shot))
    i = (sy * width + sx) * 3
    return "%02x%02x%02x" % (rgb[i], rgb[i + 1], rgb[i + 2])


def check_pixel(ctx, args):
    """pixel <shot> <x>,<y> <rrggbb>: one pixel of the backdrop's client area."""
    shot, point, colour = args.split()
    x, y = (int(v) for v in point.split(","))
    actual = pixel_at(ctx, shot, x, y)
    if actual != colour.lower():
        ctx.fail("pixel %d,%d of %s is %s, expected %s" % (x, y, shot, actual, colour.lower()))


def check_pixels(ctx, args):
    """pixels <shot> <x0>,<y0>,<x1>,<y1> <rrggbb> <min>[-<max>]: how many pixels of the
    rectangle (right and bottom edges excluded) have the colour."""
    shot, rect, colour, bounds = args.split()
    x0, y0, x1, y1 = (int(v) for v in rect.split(","))
    low, _, high = bounds.partition("-")
    count = sum(1 for y in range(y0, y1) for x in range(x0, x1) if pixel_at(ctx, shot, x, y) == colour.lower())
    if count < int(low) or (high and count > int(high)):
        ctx.fail("%d pixels of %s in %s of %s, expected %s" % (count, colour.lower(), rect, shot, bounds))


def check_bbox(ctx, args):
    """bbox <shot> <x0>,<y0>,<x1>,<y1> <rrggbb> <left>,<top>,<right>,<bottom>: the pixels of the
    colour within the rectangle span exactly these columns and rows (inclusive)."""
    shot, rect, colour, expected = args.split()
    x0, y0, x1, y1 = (int(v) for v in rect.split(","))
    found = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if pixel_at(ctx, shot, x, y) == colour.lower()]
    actual = "none"
    if found:
        xs, ys = [p[0] for p in found], [p[1] for p in found]
        actual = "%d,%d,%d,%d" % (min(xs), min(ys), max(xs), max(ys))
    if actual != expected:
        ctx.fail("pixels of %s in %s of %s span %s, expected %s" % (colour.lower(), rect, shot, actual, expected))


def show_shots(ctx, args):
    print("  pictures:")
    for name, (png, _) in sorted(ctx.display.shots.items() if ctx.display else []):
        print("    %s" % png)
    for name in getattr(ctx.display, "gone", []):
        print("    (none of %s: the window was gone before its picture was taken)" % name)


def check_query(ctx, args):
    """query "<key>" "<name>" <type> [<data>]: `wine reg query` shows the value with this type and data."""
    parts = split_args(args)
    key, name, rtype = parts[0], parts[1], parts[2]
    expected = parts[3] if len(parts) > 3 else ""
    r = run(["wine", "reg", "query", key, "/v", name] + ctx.bench.program.reg_args(), ctx.env, timeout=120,
            check=False)
    run(["wineserver", "-w"], ctx.env, timeout=60)
    shown = None
    for line in r.stdout.decode("cp949", errors="replace").splitlines():
        m = re.match(r"^ {4}(.*?) {4}(REG_\w+)(?: {4}(.*))?$", line)
        if m and m.group(1) == name:
            shown = (m.group(2), m.group(3) or "")
    if shown != (rtype, expected):
        ctx.fail("wine reg query shows %s [%s] as %s, expected %s" % (key, name, shown, (rtype, expected)))


def check_whole(ctx, args):
    """whole <windows folder> [<count>]: every file below the folder is byte for byte
    the medium's file of the same relative name (no half-written file under
    a final name); with a count, exactly that many files."""
    folder, _, count = args.partition(" ")
    base = host_path(ctx.prefix, folder)
    found = 0
    for dirpath, _, filenames in os.walk(base):
        for name in filenames:
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, base)
            source = host_path(ctx.prefix, ctx.medium + "\\" + rel.replace(os.sep, "\\"))
            found += 1
            if not os.path.isfile(source):
                ctx.fail("%s\\%s is not a file of the medium" % (folder, rel))
                continue
            with open(path, "rb") as a, open(source, "rb") as b:
                if a.read() != b.read():
                    ctx.fail("%s\\%s is not whole" % (folder, rel))
    if count and found != int(count):
        ctx.fail("%d files below %s, expected %s" % (found, folder, count))


CHECK_COMMANDS["whole"] = check_whole    # whole <windows folder> [<count>]: only whole copies of medium files
CHECK_COMMANDS["query"] = check_query    # query "<key>" "<name>" <REG_type> [<data>]: through wine reg query
CHECK_COMMANDS["pixel"] = check_pixel    # pixel <shot> <x>,<y> <rrggbb> (backdrop client coordinates)
CHECK_COMMANDS["pixels"] = check_pixels  # pixels <shot> <x0>,<y0>,<x1>,<y1> <rrggbb> <min>[-<max>]
CHECK_COMMANDS["bbox"] = check_bbox      # bbox <shot> <x0>,<y0>,<x1>,<y1> <rrggbb> <left>,<top>,<right>,<bottom>
SHOW_COMMANDS["shots"] = show_shots      # shots: the pictures taken


# ---------------------------------------------------------------- confinement
#
# "=== options" "confined <windows paths and registry keys ...>" compares the
# prefix before and after the run: every file or folder under drive_c and
# every registry key and value that changed must lie at or below one of the
# listed places (shell-style quotes for blanks, * and ? as in file names).
# C:\robot (the bench's own files) and what Wine itself keeps up to date are
# left out; new folders that only lead to a listed place are allowed.

CONFINE_ALWAYS = wine.BENCH_FOLDERS
# Written by Wine on every start, whatever the program does.
CONFINE_WINE_KEYS = [
    "HKCU\\Software\\Wine",
    "HKLM\\Software\\Wine",
    "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment",
    "HKLM\\System\\CurrentControlSet\\Control\\Class",  # display and monitor drivers
    "HKCU\\Console",  # Wine's console host, for the bench's own console programs (the robot)
]
REG_FILE_ROOTS = {"user.reg": "hkcu", "system.reg": "hklm", "userdef.reg": "hku\\.default"}
REG_ROOT_ALIASES = {
    "hkey_current_user": "hkcu", "hkcu": "hkcu",
    "hkey_local_machine": "hklm", "hklm": "hklm",
    "hkey_classes_root": "hklm\\software\\classes", "hkcr": "hklm\\software\\classes",
    "hkey_users": "hku", "hku": "hku",
    "hkey_current_config": "hklm\\system\\currentcontrolset\\hardware profiles\\current",
    "hkcc": "hklm\\system\\currentcontrolset\\hardware profiles\\current",
}


def confine_places(ctx):
    """(file patterns relative to drive_c, registry key patterns), lower case."""
    files, keys = [], []
    listed = split_args(ctx.options["confined"].replace("\\", "\\\\"))  # backslashes kept
    for place in CONFINE_ALWAYS + CONFINE_WINE_KEYS + listed:
        place = wine.PROGRAM.reg_view(wine.PROGRAM.file_view(expand_user_folders(ctx.prefix, place)))
        root, _, rest = place.partition("\\")
        if root.lower() in REG_ROOT_ALIASES:
            keys.append("\\".join(p for p in (REG_ROOT_ALIASES[root.lower()], rest.strip("\\").lower()) if p))
        elif re.match(r"^[cC]:\\", place):
            files.append("/".join(p for p in place[3:].lower().split("\\") if p))
        else:
            raise ScenarioError("confined: not a C:\\ path or a registry key: %s" % place)
    return files, keys


def confine_snapshot(ctx):
    """The state of drive_c and the registry files, or None when the scenario sets no confinement."""
    if "confined" not in ctx.options:
        return None
    confine_places(ctx)  # a misspelt place fails before the run
    run(["wineserver", "-w"], ctx.env, timeout=60)
    files = {}
    drive = os.path.join(ctx.prefix, "drive_c")
    for dirpath, dirnames, filenames in os.walk(drive):
        for name in dirnames + filenames:
            path = os.path.join(dirpath, name)
            st = os.lstat(path)
            rel = os.path.relpath(path, drive).replace(os.sep, "/").lower()
            if os.path.isdir(path) and not os.path.islink(path):
                files[rel] = ("dir", st.st_mode)
            else:
                files[rel] = ("file", st.st_mode, st.st_size, st.st_mtime_ns)
    registry = {}
    for fname, root in REG_FILE_ROOTS.items():
        for key, values in read_reg_file(os.path.join(ctx.prefix, fname)).items():
            for vname, value in values.items():
                registry[("%s\\%s" % (root, key)).rstrip("\\") + " [" + vname + "]"] = value[:2]
            registry.setdefault(("%s\\%s" % (root, key)).rstrip("\\") + " (key)", None)
    return files, registry


def confine_allows(path, patterns, separator):
    import fnmatch
    for pattern in patterns:
        if path == pattern or path.startswith(pattern + separator) or fnmatch.fnmatchcase(path, pattern):
            return True
    return False


def check_confinement(ctx, before):
    if before is None:
        return
    after = confine_snapshot(ctx)
    file_places, key_places = confine_places(ctx)
    outside = []
    for rel in sorted(set(before[0]) | set(after[0])):
        old, new = before[0].get(rel), after[0].get(rel)
        if old == new or (old and new and old[0] == new[0] == "dir" and old[1] == new[1]):
            continue
        if confine_allows(rel, file_places, "/"):
            continue
        if old is None and new[0] == "dir" and any(p.startswith(rel + "/") for p in file_places):
            continue  # a folder on the way to a listed place
        what = "added" if old is None else "removed" if new is None else "changed"
        outside.append("C:\\%s %s" % (rel.replace("/", "\\"), what))
    for entry in sorted(set(before[1]) | set(after[1])):
        if before[1].get(entry, 0) == after[1].get(entry, 0):
            continue
        key = entry.rsplit(" [", 1)[0].rsplit(" (key)", 1)[0]
        if not confine_allows(key, key_places, "\\"):
            outside.append("registry %s %s" % (entry, "added" if entry not in before[1] else
                                               "removed" if entry not in after[1] else "changed"))
    for line in outside[:20]:
        ctx.fail("outside the confined places: " + line)
    if len(outside) > 20:
        ctx.fail("... and %d more changes outside the confined places" % (len(outside) - 20))



# ---------------------------------------------------------------- planted libraries
#
# The proof that Setup.exe runs no code from beside itself or from the install
# folder. "planted <folder> <names...>" (in "medium" a folder of the medium,
# "." for its top; in "before" a Windows folder) puts copies of the bench's
# planted library (tests/e2e/planted/planted.c, built for the program's
# bitness) into the folder under those names and sets the names to load native
# first (WINEDLLOVERRIDES <names>=n,b), as Windows loads a DLL that is not one
# of its known DLLs. A copy that any process loads appends the process id and
# its own path to C:\planted.log and refuses to load. The run is traced
# (WINEDEBUG=+pid,+loaddll). The check "planted <windows path of a copy>":
#   - no copy was loaded (there is no C:\planted.log);
#   - every DLL the Setup.exe process loaded is a planted name or one that
#     Windows takes from the system folder only (tests/known_dlls.txt), so the
#     names cannot fall behind what a run loads;
#   - the copy named does leave its trace when a program loads it
#     (loadprobe.exe), so that the first point proves something.
# "overrides <entry>" (in "before") adds an entry to WINEDLLOVERRIDES for the
# run, e.g. "comctl32=" so that a system DLL cannot be loaded at all.

PLANTED_LOG = "C:\\planted.log"


def set_dll_overrides(ctx):
    """The bench's own overrides, those of "overrides", then the planted names native first."""
    parts = [ctx.bench.env(ctx.prefix)["WINEDLLOVERRIDES"]] + getattr(ctx, "dll_overrides", [])
    if getattr(ctx, "planted", None):
        parts.append("%s=n,b" % ",".join(sorted(n[:-4] for n in ctx.planted)))
    ctx.env["WINEDLLOVERRIDES"] = ";".join(parts)


def plant(ctx, host_folder, names):
    library = os.path.join(ctx.bench.program.fixtures, "planted.dll")
    if not os.path.isfile(library):
        raise ScenarioError("no planted library %s (tests/e2e/planted)" % library)
    if not names or any(not n.lower().endswith(".dll") or "\\" in n for n in names):
        raise ScenarioError("planted: give a folder and DLL names, e.g. planted . version.dll")
    os.makedirs(host_folder, exist_ok=True)
    for name in names:
        shutil.copyfile(library, os.path.join(host_folder, name))
    ctx.planted = getattr(ctx, "planted", set()) | {n.lower() for n in names}
    set_dll_overrides(ctx)
    ctx.env["WINEDEBUG"] = "-all,+pid,+loaddll"


def before_overrides(ctx, args):
    """overrides <WINEDLLOVERRIDES entry>, e.g. comctl32= (not loaded at all)."""
    ctx.dll_overrides = getattr(ctx, "dll_overrides", []) + [args]
    set_dll_overrides(ctx)


def medium_planted(ctx, args):
    folder, *names = args.split()
    plant(ctx, os.path.join(ctx.medium_host, *[p for p in folder.split("\\") if p != "."]), names)


def before_planted(ctx, args):
    folder, *names = args.split()
    plant(ctx, host_path(ctx.prefix, folder), names)


def setup_loads(ctx):
    """[(name, how)] of every DLL the Setup.exe process loaded, in order, from the run's trace."""
    setup = (ctx.medium.rstrip("\\") + "\\Setup.exe").lower()
    pids, loads = set(), []
    for line in getattr(ctx, "robot_output", b"").decode("utf-8", errors="replace").splitlines():
        m = LOADDLL_LINE.match(line)
        if not m:
            continue
        path = m.group(2).replace("\\\\", "\\")
        if path.lower() == setup:
            pids.add(m.group(1))
        elif m.group(1) in pids:
            loads.append((path.rsplit("\\", 1)[-1].lower(), m.group(3)))
    return loads


def check_planted(ctx, args):
    """planted <windows path of a planted copy>: see "planted libraries"."""
    log = host_path(ctx.prefix, PLANTED_LOG)
    if os.path.exists(log):
        with open(log, encoding="ascii", errors="replace") as f:
            for line in f:
                ctx.fail("a planted library was loaded (process id, path): %s" % line.strip())
        os.unlink(log)
    with open(os.path.join(ROOT, "tests", "known_dlls.txt")) as f:
        system_only = {l.split()[0].lower() for l in f if l.strip() and not l.startswith("#")}
    loads = setup_loads(ctx)
    if not loads:
        ctx.fail("planted: the run's trace shows no DLL loaded by %s\\Setup.exe" % ctx.medium)
    for name in sorted({n for n, _ in loads} - system_only - getattr(ctx, "planted", set())):
        ctx.fail("Setup.exe loaded %s, which is neither planted nor a DLL that Windows takes from the system "
                 "folder only (tests/known_dlls.txt): plant it" % name)
    probe = run(["wine", "C:\\robot\\loadprobe.exe", args], ctx.env, timeout=120, check=False)
    run(["wineserver", "-w"], ctx.env, timeout=60)
    traced = []
    if os.path.exists(log):
        with open(log, encoding="ascii", errors="replace") as f:
            traced = [l.strip().partition(" ")[2].lower() for l in f]
        os.unlink(log)
    if args.lower() not in traced:
        ctx.fail("planted: %s left no trace when loadprobe.exe loaded it (%s): the proof is void"
                 % (args, probe.stdout.decode(errors="replace").strip().splitlines()[-1:]))


def show_loaded(ctx, args):
    print("  DLLs loaded by Setup.exe (in order):")
    for name, how in setup_loads(ctx):
        print("    %-20s %s" % (name, how))


MEDIUM_COMMANDS["planted"] = medium_planted  # planted <folder of the medium, . for the top> <name.dll>...
BEFORE_COMMANDS["planted"] = before_planted  # planted <windows folder> <name.dll>...
BEFORE_COMMANDS["overrides"] = before_overrides  # overrides <entry of WINEDLLOVERRIDES>, e.g. comctl32=
CHECK_COMMANDS["planted"] = check_planted    # planted <windows path of a planted copy>: see above
SHOW_COMMANDS["loaded"] = show_loaded        # loaded: the DLLs Setup.exe loaded (with "planted" only)


# ---------------------------------------------------------------- running

class Context:
    def __init__(self, bench, scenario_path, sections, prefix):
        self.bench = bench
        self.path = scenario_path
        self.sections = sections
        self.prefix = prefix
        self.env = bench.env(prefix)
        self.failures = []
        self.transcript = []
        self.exit_code = None
        self.killed = False
        # An option may stand alone ("confined": nothing may change at all).
        self.options = dict((l.split(None, 1) + [""])[:2] for l in command_lines(sections.get("options", [])))
        self.medium = self.options.get("medium", "C:\\media")
        self.medium_host = host_path(prefix, self.medium)

    def fail(self, message):
        self.failures.append(message)


def dispatch(table, ctx, lines, section):
    for line in command_lines(lines):
        name, _, args = line.partition(" ")
        if name not in table:
            raise ScenarioError("unknown command in %s: %s" % (section, line))
        table[name](ctx, args.strip())


def dialogue_lines(sections):
    return [l.strip() for l in sections.get("dialogue", []) if l.strip() and not l.strip().startswith("#")]


def compare_dialogue(ctx, expected):
    """Every expected line appears in order; no box or folder dialog goes unlisted.
    {System}, {Programs} and {Desktop} in an expected line are the folders they
    name for the program under test."""
    expected = [expand_user_folders(ctx.prefix, expand_system(line)) for line in expected]
    i = 0
    for line in ctx.transcript:
        if i < len(expected) and dialogue_matches(line, expected[i]):
            i += 1
        elif INTERACTIVE.match(line):
            ctx.fail("unexpected window: %s" % line)
    if i < len(expected):
        ctx.fail("expected window not seen: %s" % expected[i])
    for line in ctx.transcript:
        if line.startswith("robot:") or line == "timeout":
            ctx.fail(line)


def automatic_answers(ctx):
    """The option "auto <limit>": the robot answers every box and folder dialog that
    the dialogue does not (see robot.cpp) and ends a window loop at the limit."""
    return ["auto %d" % int(ctx.options["auto"])] if "auto" in ctx.options else []


DESKTOP_NEVER_CAME = "robot: the desktop window never came up"


def robot_never_began(transcript):
    """Whether the robot ended before the setup's start for a reason of Wine's
    own: no transcript (Wine ended before the robot's first line), or only the
    robot's word that Wine's desktop never came up."""
    try:
        with open(transcript, encoding="utf-8", errors="replace") as f:
            return [l.rstrip("\n") for l in f] == [DESKTOP_NEVER_CAME]
    except FileNotFoundError:
        return True


def start_robot(ctx, command, timeout, transcript):
    """Runs the robot; (its process, what Wine printed). A robot that never
    began the setup (robot_never_began) left the prefix as it was, and it is
    started once more in a prefix started anew: its Wine ended first
    (`wineserver -k`; a start that hung never ends by itself). The scenario's
    helpers keep that Wine up, holding files for it: then only a robot that
    Wine never started is started again, in the same Wine."""
    output = b""
    helpers = getattr(ctx, "helpers", None)
    try:
        for attempt in (1, 2):
            robot = run(command, ctx.env, timeout=timeout, check=False)
            output += robot.stdout
            if attempt == 2 or not robot_never_began(transcript):
                return robot, output
            if helpers and os.path.exists(transcript):
                return robot, output
            output += b"bench: Wine ended with status %d before the robot began the setup; starting it once more\n" % (
                robot.returncode & 0xff)
            wine.remove_file(transcript)
            if not helpers:
                run(["wineserver", "-k"], ctx.env, timeout=60, check=False)
    except ScenarioError as e:  # the robot never came back: keep what Wine said until then
        output += getattr(e, "output", b"")
        with open(ctx.wine_log, "wb") as f:
            f.write(output)
        raise ScenarioError("%s (Wine's output: %s)%s" % (e, ctx.wine_log, wine_last_words(output)))


def run_robot(ctx, dialogue, preview=False):
    """Runs Setup.exe of the medium once under the robot, which answers as the
    dialogue says; the transcript, the exit code, and whether the robot killed
    the setup are left in ctx."""
    robot_dir = host_path(ctx.prefix, "C:\\robot")
    with open(os.path.join(robot_dir, "answers.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(getattr(ctx, "robot_preconditions", []) + automatic_answers(ctx) + answers_for(dialogue))
                + "\n")
    timeout = int(ctx.options.get("timeout", "60"))
    ctx.wine_log = ctx.prefix + ".wine.log"
    transcript = os.path.join(robot_dir, "transcript.txt")
    wine.remove_file(transcript)  # an earlier run's, in a scenario that runs the medium again
    command = ["wine", "C:\\robot\\robot.exe", ctx.medium + "\\Setup.exe", "C:\\robot\\answers.txt",
               "C:\\robot\\transcript.txt", str(timeout)] + (["preview"] if preview else [])
    try:
        robot, output = start_robot(ctx, command, timeout + 60, transcript)
    finally:  # Setup.exe has ended: nothing holds a file or stands in a gate any more
        release_helpers(ctx)
        for gate in getattr(ctx, "gates", []):
            gate.restore()
    ctx.robot_output = output
    with open(ctx.wine_log, "wb") as f:
        f.write(output)
    run(["wineserver", "-w"], ctx.env, timeout=180)
    try:
        with open(transcript, encoding="utf-8", errors="replace") as f:
            ctx.transcript = [l.rstrip("\n") for l in f]
    except FileNotFoundError:  # the robot did not get as far as its first line
        raise ScenarioError("the robot wrote no transcript: %s" % robot_failure(ctx, robot.returncode))
    if robot.returncode != 0:
        raise ScenarioError(robot_failure(ctx, robot.returncode))
    ctx.exit_code, ctx.killed = None, "killed" in ctx.transcript
    for line in ctx.transcript:
        if line.startswith("exit "):
            ctx.exit_code = int(line[5:])


def check_again(ctx, args):
    """again <section> [<preparation section>]: runs Setup.exe of the medium
    once more in the same prefix, answered as the dialogue of "=== <section>"
    says; the checks after this one see the second run (its transcript, exit
    code, files). The preparation section's lines, "medium <command>" and
    "before <command>", change the medium and the prefix first."""
    names = args.split()
    for name in names:
        if name not in ctx.sections:
            raise ScenarioError("again: no section === %s" % name)
    for line in command_lines(ctx.sections[names[1]] if len(names) > 1 else []):
        table, _, command = line.partition(" ")
        tables = {"medium": MEDIUM_COMMANDS, "before": BEFORE_COMMANDS}
        if table not in tables:
            raise ScenarioError("again: a preparation line is \"medium <command>\" or \"before <command>\": %s" % line)
        dispatch(tables[table], ctx, [command], table)
    dialogue = dialogue_lines({"dialogue": ctx.sections[names[0]]})
    run_robot(ctx, dialogue)
    compare_dialogue(ctx, dialogue)


def check_writable(ctx, args):
    """writable <windows path>: the file is there without the read-only attribute
    (which Wine keeps as a file with no write permission)."""
    path = host_path(ctx.prefix, args)
    if not os.path.isfile(path):
        ctx.fail("file missing: %s" % args)
    elif not os.stat(path).st_mode & 0o222:
        ctx.fail("%s is read-only" % args)


CHECK_COMMANDS["writable"] = check_writable  # writable <windows path>: no read-only attribute


CHECK_COMMANDS["again"] = check_again  # again <section> [<preparation section>]: Setup.exe once more


# ---------------------------------------------------------------- the plan's agreement
#
# A scenario that starts from a clean machine (no "before" preparation, one run)
# and answers only as a player the plan describes can (ok, yes, no, a folder typed
# into the folder dialog) is held against `qpk plan` as well, in the case whose
# windows and answers are the scenario's: the windows, the exit code and, when
# the plan installs, the registry, the files, the links and the programs started.
# "noplan <why>" among the options leaves a scenario out.

def plan_case_of_scenario(ctx):
    sections = ctx.sections
    if any(name in sections for name in ("second", "prepare")) or "noplan" in ctx.options or "auto" in ctx.options:
        return None  # a second run, or windows answered as the robot finds them
    if any(line.split()[0] in ("again", "plan") for line in command_lines(sections.get("check", []))):
        return None  # a second run, or a plan check of its own
    def plan_for(options):
        return plan_of_medium(ctx.bench, ctx.medium_host, ctx.medium, ctx.prefix, options)
    # Before the run: folders made (the plan finds them there) and an earlier
    # installation recorded, nothing else.
    registry = []
    for line in command_lines(sections.get("before", [])):
        command, _, rest = line.partition(" ")
        args = split_args(rest) if command == "reg" else []
        if command == "reg" and args[:1] == ["add"]:
            registry.append(args[1:])
        elif command != "mkdir":
            return None
    machine = earlier_installation(plan_for([]).get("versionCheck") or {}, registry) if registry else []
    if machine is None:
        return None
    case = case_of_dialogue(plan_for, dialogue_lines(sections), lambda path: os.path.isdir(host_path(ctx.prefix, path)),
                            machine)
    if case is None or case[1]["exitCode"] is None:  # none of the plan's cases, or one it cannot follow to its end
        return None
    return case


def plan_command(options):
    return " ".join(["qpk plan"] + [shlex.quote(o) for o in options])


def hold_against_plan(ctx, case):
    """The run against the plan of its case; a difference is a failure of the scenario."""
    options, plan, install_dir = case
    own, ctx.failures = ctx.failures, []
    compare_dialogue(ctx, dialogue_of_plan(plan, install_dir))
    if ctx.exit_code != plan["exitCode"]:
        ctx.fail("exit code %s, the plan says %d" % (ctx.exit_code, plan["exitCode"]))
    if plan["installs"]:
        check_plan(ctx, " ".join(["-"] + [shlex.quote(o) for o in options]))
    elif plan["installDir"] and not plan["case"]["folderExists"] and \
            os.path.isdir(host_path(ctx.prefix, plan["installDir"])):
        ctx.fail("%s was created; the plan installs nothing" % plan["installDir"])
    ctx.failures = own + ["against `%s`: %s" % (plan_command(options), failure)
                          for failure in ctx.failures if failure not in own]


def run_scenario(bench, path, demo=False, preview=False):
    sections = parse_scenario(path)
    name = os.path.relpath(os.path.abspath(path), os.path.join(ROOT, "tests", "e2e", "scenarios"))
    if name.startswith(".."):
        name = "other/" + os.path.basename(path)
    name = re.sub(r"\.scn$", "", name).replace("/", ".")
    return run_sections(bench, name, path, sections, demo=demo, preview=preview)


def run_sections(bench, name, path, sections, demo=False, preview=False, report=None, prefix=None,
                 earlier_plan=None):
    """Runs one scenario given as its sections; `report(ctx, elapsed)`, when given,
    prints the outcome in place of the bench's own lines. With a prefix, the
    run is a second one in the prefix an earlier run left (its plan:
    earlier_plan, whose files, values and links may stay): the medium is
    swapped for this one, as a player swaps discs, and the robot starts anew."""
    bench.ensure_template()
    if prefix is None:
        prefix = bench.new_case(name)
    ctx = Context(bench, path, sections, prefix)
    ctx.earlier_plan = earlier_plan
    if earlier_plan is not None:
        shutil.rmtree(ctx.medium_host, ignore_errors=True)
        shutil.rmtree(host_path(prefix, "C:\\robot"), ignore_errors=True)
    ctx.display = start_display(ctx, name, preview)
    os.makedirs(ctx.medium_host, exist_ok=True)
    shutil.copyfile(bench.setup_exe, os.path.join(ctx.medium_host, "Setup.exe"))
    if "setup.ini" in sections:
        write_setup_ini(prefix, ctx.medium, sections["setup.ini"])
    dispatch(MEDIUM_COMMANDS, ctx, sections.get("medium", []), "medium")
    default_manifest(ctx)
    for gate in getattr(ctx, "gates", []):
        gate.close_over()
    dispatch(BEFORE_COMMANDS, ctx, sections.get("before", []), "before")
    ctx.plan_case = plan_case_of_scenario(ctx) if report is None and not preview else None
    if ctx.plan_case or any(l.startswith("plan - ") or l == "plan -" for l in command_lines(sections.get("check", []))):
        trace_started_programs(ctx)

    robot_dir = host_path(prefix, "C:\\robot")
    os.makedirs(robot_dir, exist_ok=True)
    for tool in os.listdir(bench.bench_dir):
        shutil.copyfile(os.path.join(bench.bench_dir, tool), os.path.join(robot_dir, tool))
    dialogue = dialogue_lines(sections)
    confined = confine_snapshot(ctx)  # "confined" option: the prefix before the run
    if ctx.plan_case and ctx.plan_case[1]["case"]["folderExists"]:
        ctx.install_dir_before = files_below(prefix, ctx.plan_case[1]["installDir"])
    started = time.time()
    run_robot(ctx, dialogue, preview)
    if ctx.display:
        ctx.display.stop()
    elapsed = time.time() - started

    compare_dialogue(ctx, dialogue)
    check_confinement(ctx, confined)
    dispatch(CHECK_COMMANDS, ctx, sections.get("check", []), "check")
    if ctx.plan_case:
        hold_against_plan(ctx, ctx.plan_case)

    if report:
        return report(ctx, elapsed)
    if preview:
        show_shots(ctx, "")
    if demo:
        print("What the player saw (%.1f s):" % elapsed)
        for line in ctx.transcript:
            print("  " + line)
        if bench.program.wow64:
            print("What was installed (named as the 32-bit program sees it: C:\\windows\\system32 is "
                  "syswow64, HKEY_LOCAL_MACHINE\\Software the registry's 32-bit view):")
        else:
            print("What was installed:")
        dispatch(SHOW_COMMANDS, ctx, sections.get("show", []), "show")
    if ctx.failures:
        print("FAIL %s [%s]" % (path, bench.program.arch))
        print("transcript:")
        for line in ctx.transcript:
            print("  " + line)
        for failure in ctx.failures:
            print("  - " + failure)
        print("prefix kept at %s" % prefix)
        return False
    held = "; agrees with `%s`" % plan_command(ctx.plan_case[0]) if ctx.plan_case else ""
    print("ok %s [%s] (%.1f s%s)" % (name, bench.program.arch, elapsed, held))
    if not demo and not os.environ.get("QS_KEEP_PREFIX"):
        bench.remove_prefix(prefix)
        wine.remove_file(ctx.wine_log)
    return True


