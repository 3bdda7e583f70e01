"""`qpk plan` of a medium for the machine of a run, and the run held against it:
registry values, the start page, files, links."""
import itertools
import json
import os
import re
import subprocess
from wine import (BENCH_FOLDERS, ScenarioError, describe_value, expand_user_folders, host_path, key_is_saved,
                  lookup_key, path_without_case, read_link, reg_text, same_key)
from transcript import escape

FOLDER_DIALOG_CAPTION = "설치 디렉토리 선택"
# The questions whose answers `qpk plan --answer` takes, each with its default first.
QUESTIONS = (("overwrite", ("yes", "no")), ("start-page", ("no", "yes")), ("create-folder", ("yes", "no")))

def planned_text(hexbytes):
    return bytes.fromhex(hexbytes).decode("cp949").split("\0")[0]


def plan_of_medium(bench, medium_host, medium, prefix, options):
    """`qpk plan --json` of a medium for the machine a run of the bench gives it:
    the medium's place as its source folder and the prefix's user folders (the
    Windows and system folders are Wine's, which are the plan's own defaults)."""
    command = [bench.qpk, "plan", medium_host, "--json", "--source-folder", medium.rstrip("\\") + "\\",
               "--programs", expand_user_folders(prefix, "{Programs}"),
               "--desktop", expand_user_folders(prefix, "{Desktop}")] + options
    r = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise ScenarioError("qpk plan refused the medium or the options:\n%s"
                            % r.stderr.decode("utf-8", errors="replace").strip())
    return json.loads(r.stdout.decode("utf-8"))


def dialogue_of_plan(plan, install_dir):
    """The windows the plan says the player sees, with the answers it assumes,
    as lines of a scenario's dialogue."""
    lines = []
    for message in plan["messages"]:
        answer = message["answer"] or "ok"
        if message["caption"] == FOLDER_DIALOG_CAPTION:
            if install_dir is not None:
                lines.append('dialog 104 "%s" edit=? intro=? -> set %s;ok' % (FOLDER_DIALOG_CAPTION, install_dir))
            else:
                lines.append('dialog 104 "%s" edit="%s" intro=? -> %s' % (FOLDER_DIALOG_CAPTION,
                                                                         escape(message["text"]), answer))
        else:
            lines.append('box "%s" "%s" -> %s' % (escape(message["caption"]), escape(message["text"]), answer))
    return lines


ANSWERED_WINDOW = re.compile(r'^(?:box|dialog \d+) "([^"]*)".* -> (.+)$')
PLANNED_ANSWER = re.compile(r"^(?:ok|yes|no|set [^;]+;ok)$")


def answered_windows(dialogue):
    """(caption, answer) of every window a dialogue answers, in order; None when a
    line answers otherwise than a player the plan describes can (cancel, closing
    a window, changing the medium or taking pictures on the way)."""
    windows = []
    for line in dialogue:
        if " -> " not in line:
            continue
        m = ANSWERED_WINDOW.match(line)
        if not m or not PLANNED_ANSWER.match(m.group(2).strip()):
            return None
        windows.append((m.group(1), m.group(2).strip()))
    return windows


def case_of_dialogue(plan_for, dialogue, folder_exists, machine=()):
    """The `qpk plan` options of the case a dialogue plays on a clean machine: the
    folder typed into the folder dialog and the answers to the questions, found
    among the cases the plan can express as the one whose windows and answers are
    the dialogue's. plan_for(options) plans; folder_exists(path) tells whether a
    folder is there before the run; machine holds the options that describe an
    earlier installation. Returns (options, plan, typed folder), or None
    when the dialogue is none of those cases."""
    windows = answered_windows(dialogue)
    if windows is None:
        return None
    typed = {answer[len("set "):-len(";ok")] for _, answer in windows if answer.startswith("set ")}
    if len(typed) > 1:  # the folder dialog shown again: a second answer the options cannot give
        return None
    install_dir = typed.pop() if typed else None
    base = list(machine) + (["--install-dir", install_dir] if install_dir is not None else [])
    planned = plan_for(base)
    there = bool(planned["installDir"]) and folder_exists(planned["installDir"])
    if there != planned["case"]["folderExists"]:  # the plan takes a recorded folder to be there
        base.append("--folder-exists" if there else "--folder-missing")
    for answers in itertools.product(*(choices for _, choices in QUESTIONS)):
        options = list(base)
        for (question, choices), answer in zip(QUESTIONS, answers):
            if answer != choices[0]:
                options += ["--answer", "%s=%s" % (question, answer)]
        plan = plan_for(options)
        if answered_windows(dialogue_of_plan(plan, install_dir)) == windows:
            return options, plan, install_dir
    return None


def earlier_installation(check, registry_lines):
    """The `qpk plan` options that describe what `reg add` lines leave for the
    version check (the script's "Version Path" and "Install Path" values, as
    plan["versionCheck"] names them); None when a line writes anything else."""
    places = {
        ("versionKey", "versionName"): ("REG_DWORD", "--installed-version"),
        ("installKey", "installName"): ("REG_SZ", "--installed-path"),
    }
    options = []
    for args in registry_lines:
        key, name, kind, data = args[0], None, "REG_SZ", None
        i = 1
        while i < len(args):
            flag = args[i].lower()
            if flag in ("/v", "/t", "/d") and i + 1 < len(args):
                value = args[i + 1]
                if flag == "/v":
                    name = value
                elif flag == "/t":
                    kind = value.upper()
                else:
                    data = value
                i += 2
                continue
            if flag == "/ve":
                name = ""
            elif flag != "/f":
                return None
            i += 1
        found = None
        for (key_field, name_field), (wanted, option) in places.items():
            if check.get(key_field) and same_key(key, check[key_field]) and name is not None \
                    and name.lower() == (check.get(name_field) or "").lower() and kind == wanted and data is not None:
                found = option
        if found is None or (found == "--installed-version" and not data.isdigit()):
            return None
        options += [found, data]
    return options


def planned_values(plan):
    """{registry key: {lower-case value name: planned value}} of a plan, every planned key listed."""
    planned = {}
    if plan is None:
        return planned
    for v in plan["registryValues"] + plan["versionRecord"]:
        planned.setdefault(v["key"], {})[v["name"].lower()] = v
    for key in plan["registryKeys"]:
        planned.setdefault(key, {})
    return planned


def compare_plan_registry(ctx, plan, earlier=None):
    """Every planned key and value, and no other value under those keys but
    those an earlier run's plan (earlier) wrote there."""
    planned, before = planned_values(plan), planned_values(earlier)
    for key, values in planned.items():
        if not key_is_saved(key):
            continue
        keys, full = lookup_key(ctx.prefix, key)
        actual = keys.get(full)
        if actual is None:
            ctx.fail("plan: registry key missing: %s" % key)
            continue
        allowed = set(values) | {name for k, v in before.items() if k.lower() == key.lower() for name in v}
        if not set(values) <= set(actual) or not set(actual) <= allowed:
            ctx.fail("plan: %s holds values %s, the plan lists %s" % (key, sorted(actual), sorted(values)))
        for name, v in values.items():
            got = actual.get(name)
            if got is None:
                continue
            same = got[0] == v["type"] and (reg_text(got[1]).split("\0")[0] == planned_text(v["bytes"])
                                            if v["type"] == 1 else got[1] == bytes.fromhex(v["bytes"]))
            if not same:
                ctx.fail("plan: %s [%s] is %s, the plan says type %d %s" % (key, name, describe_value(got),
                                                                           v["type"], v["bytes"]))


def compare_plan_start_page(ctx, plan):
    """The browser's start page, when the plan has the player agree: the values are
    there as planned (the key holds the browser's other settings too)."""
    for v in plan.get("startPage", []):
        keys, full = lookup_key(ctx.prefix, v["key"])
        got = (keys.get(full) or {}).get(v["name"].lower())
        if got is None or got[0] != v["type"] or reg_text(got[1]).split("\0")[0] != planned_text(v["bytes"]):
            ctx.fail("plan: start page %s [%s] is %s, the plan says %s" % (v["key"], v["name"],
                                                                          describe_value(got) if got else "missing",
                                                                          planned_text(v["bytes"])))


def counted(items, shown=3):
    """A list of follow-on differences in one phrase: the first few named, the rest counted."""
    named = ", ".join(items[:shown])
    return named + (" and %d more" % (len(items) - shown) if len(items) > shown else "")


def fail_counted(ctx, items, one, many):
    """Differences of one kind reported once: `one` % item for a single one,
    `many` % (count, the items counted) for several (a missing install folder
    would otherwise give one difference per file)."""
    if len(items) == 1:
        ctx.fail(one % items[0])
    elif items:
        ctx.fail(many % (len(items), counted(items)))


def installed_names(plan):
    """The planned files of a plan, relative to its install folder and in lower case."""
    if plan is None or not plan["installDir"]:
        return set()
    return {f["destination"][len(plan["installDir"]):].lstrip("\\").lower() for f in plan["files"]}


def files_below(prefix, folder):
    """The files below a folder of the prefix, as lower-case names relative to it,
    leaving out the bench's own folders."""
    base = host_path(prefix, folder)
    bench = [os.path.normpath(host_path(prefix, f)) for f in BENCH_FOLDERS]
    found = set()
    for dirpath, dirnames, filenames in os.walk(base):
        dirnames[:] = [d for d in dirnames if os.path.normpath(os.path.join(dirpath, d)) not in bench]
        found |= {os.path.relpath(os.path.join(dirpath, n), base).replace("/", "\\").lower() for n in filenames}
    return found


def compare_plan_files(ctx, plan, earlier=None):
    """Every file the plan copies is the medium's, and the install folder holds no
    other file than the planned ones, an earlier run's (earlier) and those it held
    before the run (ctx.install_dir_before, when set)."""
    missing, differing = [], []
    for f in plan["files"] + plan["sharedFiles"]:
        path = host_path(ctx.prefix, f["destination"])
        src = path_without_case(ctx.medium_host, f["name"].split("\\"))
        if not os.path.isfile(src):
            ctx.fail("plan: the medium has no %s, which the plan copies to %s" % (f["name"], f["destination"]))
        elif not os.path.isfile(path):
            missing.append(f["destination"])
        elif open(path, "rb").read() != open(src, "rb").read():
            differing.append("%s (the medium's %s)" % (f["destination"], f["name"]))
    fail_counted(ctx, missing, "plan: %s is missing", "plan: %d planned files are missing: %s")
    fail_counted(ctx, differing, "plan: %s differs from the medium's file",
                 "plan: %d files differ from the medium's: %s")
    found = files_below(ctx.prefix, plan["installDir"]) - getattr(ctx, "install_dir_before", set())
    listed = installed_names(plan)
    if earlier is not None and earlier["installDir"].lower() == plan["installDir"].lower():
        listed |= installed_names(earlier)  # what the earlier run installed stays
    # The planned files that are missing are told above; what is left is what the plan does not list.
    fail_counted(ctx, sorted(found - listed), "plan: the install folder holds %s, which the plan does not list",
                 "plan: the install folder holds %d files the plan does not list: %s")


def compare_plan_links(ctx, plan, earlier=None):
    folders = {l["link"].rsplit("\\", 1)[0] for l in plan["links"]} | {f.rstrip("\\") for f in plan["folders"]}
    found = set()
    for folder in folders:
        base = host_path(ctx.prefix, folder)
        names = os.listdir(base) if os.path.isdir(base) else []
        found |= {(folder + "\\" + n).lower() for n in names if n.lower().endswith(".lnk")}
    planned = {l["link"].lower() for l in plan["links"]}
    fail_counted(ctx, sorted(l["link"] for l in plan["links"] if l["link"].lower() not in found),
                 "plan: link %s is missing", "plan: %d planned links are missing: %s")
    planned_before = {l["link"].lower() for l in earlier["links"]} if earlier is not None else set()
    fail_counted(ctx, sorted(found - planned - planned_before), "plan: link %s is not planned",
                 "plan: %d links are not planned: %s")
    # A field that differs the same way in every link (a working folder in
    # another install folder) is one difference, told with the first link.
    differing = {}
    for l in plan["links"]:
        if l["link"].lower() not in found:
            continue
        fields = read_link(ctx, l["link"]) or {}
        want = {"target": l["target"], "arguments": l["arguments"], "workdir": l["workdir"], "icon": l["icon"],
                "description": l["description"], "show": str(l["show"])}
        for name, value in want.items():
            if fields.get(name) != value:
                differing.setdefault(name, []).append("%s %s is %r, the plan says %r"
                                                      % (l["link"], name, fields.get(name), value))
    for name, lines in differing.items():
        fail_counted(ctx, lines, "plan: link %s", "plan: %d links have another " + name + ": %s")
