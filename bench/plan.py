"""`qpk plan` of a medium for the machine of a run, and the run held against it:
registry values, the start page, files, links."""
import json
import os
import subprocess
from wine import (ScenarioError, describe_value, expand_user_folders, host_path, lookup_key, path_without_case,
                  read_link, reg_text)

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


def compare_plan_files(ctx, plan, earlier=None):
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
    base = host_path(ctx.prefix, plan["installDir"])
    found = set()
    for dirpath, _, filenames in os.walk(base):
        found |= {os.path.relpath(os.path.join(dirpath, n), base).replace("/", "\\").lower() for n in filenames}
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
