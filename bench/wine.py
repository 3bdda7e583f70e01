"""The bench's Wine harness: which Setup.exe runs and with which views of the
file system and the registry, the template prefix and a prefix per run,
running Wine programs, paths and registry files of a prefix, links, and the
programs Wine's traces say a process started.

Which program runs: the shipped build/win32/Setup.exe when this machine runs
32-bit programs under Wine; otherwise build/win64/Setup.exe, and every run
says so. --program win64 (or QS_PROGRAM=win64) runs the x86_64 build.
QS_NO_32BIT=1 (make ... NO_32BIT=1) makes the bench, `qpk try` and the tests
behave as on a machine that cannot run 32-bit programs, so that the fallback
is proven on any machine.

Every run has a prefix of its own under <wine folder>/cases, named after the
test that owns it (QS_OWNER, set by CTest to the test's name), and Wine's own
output of the run goes to a file beside it (<prefix>.wine.log), never to the
terminal.
"""
import fcntl
import os
import re
import shutil
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))  # the bench's own folder
ROOT = os.path.dirname(HERE)  # the source tree, where the bench runs from one (scenarios name its files)

# The folders the bench itself writes into a prefix: the robot and its helpers.
BENCH_FOLDERS = ["C:\\robot", "C:\\helpers"]

WINE_ENV = {
    "WINEDEBUG": "-all",
    "LC_ALL": "ko_KR.UTF-8",
    "LANG": "ko_KR.UTF-8",
    # winemenubuilder would copy every saved link into the Linux home as a
    # menu entry or .desktop file; the bench keeps everything in the prefix.
    "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=",
}


class ScenarioError(Exception):
    pass


# ---------------------------------------------------------------- prefix and paths

SKIPPED = 77  # the exit status CTest counts as a skipped test


def fallback_forced():
    """QS_NO_32BIT set: behave as on a machine that cannot run 32-bit programs."""
    return os.environ.get("QS_NO_32BIT", "") not in ("", "0")


def runs_32bit_programs():
    """True when the kernel runs a 32-bit program and Wine has its 32-bit part
    (and QS_NO_32BIT does not say to behave as if they did not)."""
    if fallback_forced():
        return False
    probe = subprocess.run([os.path.join(HERE, "kernel32-probe.sh")],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if probe.returncode != 0:
        return False
    r = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Abbrev}", "wine32:i386"],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return r.stdout.decode().startswith("ii")


class Program:
    """The Setup.exe under test, its helpers of the same bitness, and the views
    of the file system and the registry that it has."""

    def __init__(self, build, arch=None):
        forced = arch or os.environ.get("QS_PROGRAM")
        self.notice = None
        if forced:
            if forced not in ("win32", "win64"):
                raise ScenarioError("unknown program %s (win32 or win64)" % forced)
            self.arch = forced
        elif runs_32bit_programs():
            self.arch = "win32"
        else:
            self.arch = "win64"
            why = ("QS_NO_32BIT is set: the bench behaves as on a machine that cannot run 32-bit programs"
                   if fallback_forced() else "this machine cannot run 32-bit programs under Wine")
            self.notice = ("NOTE: %s; the Wine bench runs build/win64/Setup.exe (x86_64), not the shipped "
                           "build/win32/Setup.exe" % why)
        self.wow64 = self.arch == "win32"
        self.setup_exe = os.path.join(build, self.arch, "Setup.exe")
        self.tools = os.path.join(build, self.arch, "bench")
        self.fixtures = os.path.join(build, self.arch, "fixtures")
        # Where its system-folder files really lie.
        self.system_folder = "C:\\windows\\syswow64" if self.wow64 else "C:\\windows\\system32"

    def describe(self):
        if self.wow64:
            return "build/win32/Setup.exe (PE32, 32-bit) in a 64-bit prefix, as on 64-bit Windows"
        return "build/win64/Setup.exe (x86_64)"

    def file_view(self, winpath):
        """A path as the program names it -> the path of the file it reaches."""
        if self.wow64:
            return re.sub(r"^([cC]:\\windows\\)system32(?=\\|$)", r"\1syswow64", winpath, flags=re.I)
        return winpath

    def reg_view(self, keypath):
        """A registry key as the program names it -> the key it reaches (32-bit view)."""
        if not self.wow64:
            return keypath
        m = re.match(r"^(HKLM|HKEY_LOCAL_MACHINE)\\(Software)(\\.*)?$", keypath, re.I)
        if not m or re.match(r"^\\(Classes|Wow6432Node)(\\|$)", m.group(3) or "", re.I):
            return keypath
        return "%s\\%s\\Wow6432Node%s" % (m.group(1), m.group(2), m.group(3) or "")

    def reg_args(self):
        """What `wine reg` needs to work in the program's view. (The view is
        always named: with 32-bit Wine installed, `wine reg` may itself be
        the 32-bit reg.exe.)"""
        return ["/reg:32"] if self.wow64 else ["/reg:64"]


PROGRAM = None  # the Program of this run, set by Bench


def wine_stamp():
    """What a prefix depends on: the installed Wine (packages, versions and
    architectures, as dpkg lists them) and its own version line."""
    r = subprocess.run(["dpkg-query", "-W", "-f", "${Package}:${Architecture}=${Version} ${db:Status-Abbrev}\n",
                        "wine*", "libwine*"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    packages = sorted(l for l in r.stdout.decode().splitlines() if l.rstrip().endswith("ii"))
    version = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return "\n".join(packages + [version.stdout.decode().strip(), "32-bit: %s" % runs_32bit_programs()]) + "\n"


def prefix_is_current(prefix):
    """A prefix made for the Wine installed now (its .ready holds the stamp)."""
    try:
        with open(os.path.join(prefix, ".ready")) as f:
            return f.read() == wine_stamp()
    except OSError:
        return False


def mark_prefix_current(prefix):
    with open(os.path.join(prefix, ".ready"), "w") as f:
        f.write(wine_stamp())


class Bench:
    """The programs of one build and the Wine prefixes their runs use.

    `build` holds win32/ and win64/ (Setup.exe and the bench's helpers of each
    bitness); `qpk` is the tool that plans and checks media (default
    <build>/host/qpk); the prefixes live in `wine_dir` (default <build>/wine):
    the template, booted once, and a copy of it per run under cases/."""

    def __init__(self, build, arch=None, qpk=None, wine_dir=None):
        global PROGRAM
        self.build = os.path.abspath(build)
        self.program = PROGRAM = Program(self.build, arch)
        self.setup_exe = self.program.setup_exe
        self.bench_dir = self.program.tools
        self.qpk = os.path.abspath(qpk) if qpk else os.path.join(self.build, "host", "qpk")
        self.wine_dir = os.path.abspath(wine_dir) if wine_dir else os.path.join(self.build, "wine")
        self.template = os.path.join(self.wine_dir, "template")

    def env(self, prefix):
        env = dict(os.environ)
        env.update(WINE_ENV)
        env["WINEPREFIX"] = prefix
        env.pop("DISPLAY", None)
        return env

    def ensure_template(self):
        os.makedirs(os.path.dirname(self.template), exist_ok=True)
        with open(self.template + ".lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if prefix_is_current(self.template):
                return
            if os.path.exists(self.template):
                print("bench: the template prefix was made for another Wine installation; making it anew")
            shutil.rmtree(self.template, ignore_errors=True)
            env = self.env(self.template)
            run(["wine", "wineboot", "-i"], env, timeout=300)
            for args in (
                ["HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"],
                ["HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"],
            ):
                run(["wine", "reg", "add"] + args, env, timeout=120)
            run(["wineserver", "-w"], env, timeout=120)
            # The user folders are symbolic links to the Linux home: make them
            # real folders so that nothing a test writes leaves the prefix.
            users = os.path.join(self.template, "drive_c", "users")
            for user in os.listdir(users):
                udir = os.path.join(users, user)
                for name in os.listdir(udir):
                    p = os.path.join(udir, name)
                    if os.path.islink(p):
                        os.unlink(p)
                        os.makedirs(p)
            mark_prefix_current(self.template)

    def case_name(self, name):
        """The prefix of a run: the name of the test that owns it (QS_OWNER, which CTest
        sets for every test of the bench), else the scenario's, with the program it
        runs and, for another build, ".other"."""
        owner = os.environ.get("QS_OWNER")
        if owner:
            return owner
        return name + ("" if self.program.wow64 else ".x64") + getattr(self, "case_suffix", "")

    def remove_prefix(self, prefix):
        """Removes a prefix, after stopping the wineserver that may still serve it: a
        server outlives its last program by a few seconds, and a prefix made anew at
        the same path (which can get the old folder's inode) would reach it."""
        if not os.path.isdir(prefix):
            return
        run(["wineserver", "-k"], self.env(prefix), timeout=60, check=False)
        shutil.rmtree(prefix, ignore_errors=True)

    def new_case(self, name):
        case = os.path.join(self.wine_dir, "cases", self.case_name(name))
        self.last_case = case
        self.remove_prefix(case)
        remove_file(case + ".wine.log")
        os.makedirs(os.path.dirname(case), exist_ok=True)
        subprocess.run(["cp", "-a", "--reflink=auto", self.template, case], check=True)
        return case


def remove_file(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


def folder_size(path):
    """Bytes the files below a folder take, as du counts them; symbolic links not followed."""
    total = 0
    for dirpath, _, filenames in os.walk(path):
        for name in filenames:
            try:
                total += os.lstat(os.path.join(dirpath, name)).st_blocks * 512
            except OSError:
                pass
    return total


def describe_size(size):
    for unit in ("bytes", "KB", "MB", "GB"):
        if size < 1024 or unit == "GB":
            return ("%d %s" % (size, unit)) if unit == "bytes" else ("%.0f %s" % (size, unit))
        size /= 1024.0


def run(cmd, env, timeout=120, check=True):
    try:
        r = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
    except subprocess.TimeoutExpired as e:
        error = ScenarioError("%s did not end within %d s" % (" ".join(cmd), timeout))
        error.output = e.output or b""  # what it wrote until then
        raise error
    except OSError as e:
        raise ScenarioError("%s cannot be started: %s" % (cmd[0], e.strerror))
    if check and r.returncode != 0:
        raise ScenarioError("%s failed (%d): %s" % (" ".join(cmd), r.returncode, r.stdout.decode(errors="replace")))
    return r


def path_without_case(base, parts):
    """base/<parts...>, each part matched to an existing entry as Windows matches
    names: without regard to case."""
    path = base
    for part in [p for p in parts if p]:
        candidate = os.path.join(path, part)
        if not os.path.exists(candidate) and os.path.isdir(path):
            for entry in os.listdir(path):
                if entry.upper() == part.upper():
                    candidate = os.path.join(path, entry)
                    break
        path = candidate
    return path


def host_path(prefix, winpath, must_exist=False):
    """C:\\a\\b -> <prefix>/drive_c/a/b, matching existing components without regard to case."""
    winpath = expand_user_folders(prefix, winpath)
    if PROGRAM:
        winpath = PROGRAM.file_view(winpath)
    m = re.match(r"^([A-Za-z]):\\?(.*)$", winpath)
    if not m:
        raise ScenarioError("not an absolute Windows path: %s" % winpath)
    drive = m.group(1).lower()
    base = os.path.join(prefix, "dosdevices", drive + ":")
    base = os.path.realpath(base) if os.path.exists(base) else os.path.join(prefix, "drive_" + drive)
    path = path_without_case(base, m.group(2).split("\\"))
    if must_exist and not os.path.exists(path):
        raise ScenarioError("no such path: %s" % winpath)
    return path


# ---------------------------------------------------------------- registry files

ROOT_FILES = {
    "HKEY_CURRENT_USER": ("user.reg", ""),
    "HKCU": ("user.reg", ""),
    "HKEY_LOCAL_MACHINE": ("system.reg", ""),
    "HKLM": ("system.reg", ""),
    "HKEY_CLASSES_ROOT": ("system.reg", "Software\\Classes"),
    "HKCR": ("system.reg", "Software\\Classes"),
    "HKEY_USERS": ("userdef.reg", None),
    "HKU": ("userdef.reg", None),
    "HKEY_CURRENT_CONFIG": ("system.reg", "System\\CurrentControlSet\\Hardware Profiles\\Current"),
    "HKCC": ("system.reg", "System\\CurrentControlSet\\Hardware Profiles\\Current"),
}
# Roots whose keys Wine creates but never saves to a registry file: a run
# cannot be read back there.
UNSAVED_ROOTS = {"HKEY_DYN_DATA"}


def same_key(a, b):
    """Whether two key paths name the same key, a root written in full or short."""
    (root_a, _, rest_a), (root_b, _, rest_b) = a.partition("\\"), b.partition("\\")
    place_a, place_b = ROOT_FILES.get(root_a.upper()), ROOT_FILES.get(root_b.upper())
    same_root = place_a == place_b if place_a else root_a.upper() == root_b.upper()
    return same_root and rest_a.strip("\\").lower() == rest_b.strip("\\").lower()


def key_is_saved(keypath):
    return keypath.partition("\\")[0].upper() not in UNSAVED_ROOTS


def parse_reg_string(s, i):
    """s[i] is the opening quote; returns (text, index after the closing quote)."""
    end = s.find('"', i + 1)
    if end != -1 and "\\" not in s[i + 1:end]:  # the common case: nothing escaped
        return s[i + 1:end], end + 1
    out = []
    i += 1
    while i < len(s):
        c = s[i]
        if c == '"':
            return "".join(out), i + 1
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    raise ScenarioError("unterminated string in registry file")


def read_reg_file(path):
    """{lower-case key path: {lower-case value name: (type, bytes, name)}}; "" names the default value."""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and i < len(lines):
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("["):
            name, _ = parse_reg_string('"' + line[1:line.rindex("]")] + '"', 0)
            current = keys.setdefault(name.lower(), {})
            continue
        if current is None or not line or line[0] not in '"@':
            continue
        if line[0] == "@":
            vname, rest = "", line[2:]
        else:
            vname, j = parse_reg_string(line, 0)
            rest = line[j + 1:]
        if rest.startswith('"'):
            text, _ = parse_reg_string(rest, 0)
            value = (1, (text + "\0").encode("utf-16-le"))
        elif rest.startswith("str(2):"):
            text, _ = parse_reg_string(rest[7:], 0)
            value = (2, (text + "\0").encode("utf-16-le"))
        elif rest.startswith("str(7):"):
            text, _ = parse_reg_string(rest[7:], 0)
            value = (7, (text + "\0").encode("utf-16-le"))
        elif rest.startswith("dword:"):
            value = (4, int(rest[6:], 16).to_bytes(4, "little"))
        else:
            m = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:(.*)$", rest)
            if not m:
                continue
            rtype = int(m.group(1), 16) if m.group(1) else 3
            data = bytes(int(b, 16) for b in m.group(2).replace(" ", "").split(",") if b)
            value = (rtype, data)
        current[vname.lower()] = (value[0], value[1], vname)
    return keys


def lookup_key(prefix, keypath):
    if PROGRAM:
        keypath = PROGRAM.reg_view(keypath)
    root, _, sub = keypath.partition("\\")
    if root.upper() not in ROOT_FILES:
        raise ScenarioError("unknown registry root in check: %s" % root)
    fname, base = ROOT_FILES[root.upper()]
    if base is None:  # HKEY_USERS\.Default lives in userdef.reg
        first, _, sub = sub.partition("\\")
        if first.lower() != ".default":
            raise ScenarioError("only HKEY_USERS\\.Default can be checked")
        base = ""
    full = "\\".join(p for p in (base, sub.strip("\\")) if p)
    keys = read_reg_file(os.path.join(prefix, fname))
    return keys, full.lower()


def reg_text(data):
    return data.decode("utf-16-le", errors="replace")


def sz_size(text):
    """The bytes a text value holds as the program writes it (code page 949, with
    its terminating zero), which is how `qpk plan` counts it: Wine keeps the
    value in UTF-16, where a Korean syllable is one unit, not two bytes."""
    return len(text.encode("cp949", errors="replace"))


def describe_value(value):
    rtype, data, _ = value
    if rtype == 4:
        return "dword %d" % int.from_bytes(data[:4].ljust(4, b"\0"), "little")
    if rtype in (1, 2):
        text = reg_text(data)
        return 'sz "%s" (%d bytes)' % (text.rstrip("\0").replace("\0", "\\0"), sz_size(text))
    if rtype == 3:
        return "binary %s" % data.hex()
    return "type %d %s" % (rtype, data.hex())



# ---------------------------------------------------------------- programs, links and traces

def pe_machine(path):
    """The processor a Windows program is built for ("i386", "x86_64", another
    machine number in hex), or None for a file that is no Windows program."""
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
    except OSError:
        return None
    if head[:2] != b"MZ" or len(head) < 0x40:
        return None
    offset = int.from_bytes(head[0x3C:0x40], "little")
    if head[offset:offset + 4] != b"PE\0\0" or len(head) < offset + 6:
        return None
    machine = int.from_bytes(head[offset + 4:offset + 6], "little")
    return {0x14C: "i386", 0x8664: "x86_64"}.get(machine, "%04x" % machine)



def expand_system(text):
    """{System}: the folder where the program's system-folder files really lie."""
    return text.replace("{System}", PROGRAM.system_folder if PROGRAM else "C:\\windows\\system32")


def expand_user_folders(prefix, winpath):
    """{Programs} and {Desktop} in a path: the user's folders as the template
    prefix's Shell Folders key names them (a scenario may change the key)."""
    if "{" not in winpath:
        return winpath
    winpath = expand_system(winpath)
    template = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(prefix))), "template")
    reg = os.path.join(template if os.path.isdir(template) else prefix, "user.reg")
    key = "software\\microsoft\\windows\\currentversion\\explorer\\shell folders"
    values = read_reg_file(reg).get(key, {})
    for name in ("Programs", "Desktop"):
        value = values.get(name.lower())
        if value and "{%s}" % name in winpath:
            winpath = winpath.replace("{%s}" % name, reg_text(value[1]).split("\0")[0])
    return winpath


LNKINFO_FIELDS = {
    "Local path": "target",
    "Command line arguments": "arguments",
    "Working directory": "workdir",
    "Icon location": "icon",
    "Icon index": "iconindex",
    "Description": "description",
}


def read_link(ctx, winpath):
    """The fields of a .lnk as lnkinfo reads them (a string the link lacks is
    empty), with the show command from the header at 0x3C, which lnkinfo
    always prints as 0."""
    path = host_path(ctx.prefix, winpath)
    if not os.path.isfile(path):
        return None
    env = dict(os.environ, LC_ALL="C.UTF-8")
    # The link's ANSI strings (the target's local path) are in the prefix's
    # code page, 949, as on a Korean Windows.
    r = subprocess.run(["lnkinfo", "-c", "windows-949", path], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    fields = {name: "" for name in LNKINFO_FIELDS.values()}
    for line in r.stdout.decode("utf-8", errors="replace").split("\n"):
        m = re.match(r"^\t([A-Za-z ]+?)\t*: ?(.*)$", line)
        if m and m.group(1) in LNKINFO_FIELDS:
            fields[LNKINFO_FIELDS[m.group(1)]] = m.group(2)
    with open(path, "rb") as f:
        header = f.read(0x4C)
    fields["show"] = str(int.from_bytes(header[0x3C:0x40], "little")) if len(header) >= 0x40 else ""
    return fields


PROCESS_LINE = re.compile(r'^([0-9a-f]+):([0-9a-f]+):trace:process:CreateProcessInternalW app .*? cmdline L"(.*)"$')
# The new process made: the same thread goes on with its process id.
PROCESS_CREATED_LINE = re.compile(r'^([0-9a-f]+):([0-9a-f]+):trace:process:NtCreateUserProcess L"(.*)" pid [0-9a-f]+ tid ')


def unescape_trace(text):
    r"""A wide string as Wine's traces print it: \\ and \" for themselves, \n \r \t,
    and a backslash with four hex digits for any other character."""
    return re.sub(r'\\(\\|"|n|r|t|[0-9a-fA-F]{4})',
                  lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)) if len(m.group(1)) == 1
                  else chr(int(m.group(1), 16)), text)


def trace_started_programs(ctx):
    """Set before the run: Wine traces every process start and every DLL load,
    so that the programs Setup.exe starts can be read afterwards, whatever they are."""
    ctx.env["WINEDEBUG"] = "-all,+pid,+loaddll,+process"


def started_programs(ctx):
    """The command lines of the programs Setup.exe started, in order, from the run's
    trace: a command Windows refused (no such file, no Windows program) was handed
    to CreateProcess but started nothing, and is not counted."""
    return [command for command, _ in started_program_files(ctx)]


def started_program_files(ctx):
    """(command line, file the process was made from) of each program Setup.exe
    started, in order, from the run's trace."""
    setup = (ctx.medium.rstrip("\\") + "\\Setup.exe").lower()
    pids, started, pending = set(), [], {}
    for line in getattr(ctx, "robot_output", b"").decode("utf-8", errors="replace").splitlines():
        m = LOADDLL_LINE.match(line)
        if m and m.group(2).replace("\\\\", "\\").lower() == setup:
            pids.add(m.group(1))
            continue
        m = PROCESS_LINE.match(line)
        if m and m.group(1) in pids:
            pending[m.group(2)] = unescape_trace(m.group(3))
            continue
        m = PROCESS_CREATED_LINE.match(line)
        if m and m.group(2) in pending:
            command = pending.pop(m.group(2))
            image = unescape_trace(m.group(3))
            image = image[4:] if image.startswith("\\??\\") else image
            # Wine's shell starts its menu builder from inside the process
            # whenever a link is saved; that is Wine's, not the program's.
            if not command.lower().startswith("c:\\windows\\system32\\winemenubuilder.exe"):
                started.append((command, image))
    return started


LOADDLL_LINE = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*?)" at [0-9A-Fa-f]+: (\w+)')

