"""The robot's transcript (written by robot/robot.cpp): one line per window the
player saw, with the answer given, and the program's exit code. Here it is
generated from expected windows, turned into the robot's answers, matched
line by line and read for the robot's own failures."""
import re


def escape(text):
    """A text as the robot's transcript writes it."""
    return text.replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t")


def answers_for(dialogue):
    answers = []
    for line in dialogue:
        if " -> " not in line:
            continue
        head, action = line.rsplit(" -> ", 1)
        kind = "box" if head.startswith("box ") else head.split()[1]
        answers.append("%s %s" % (kind, action))
    return answers


INTERACTIVE = re.compile(r"^(box |dialog 104 )")


def dialogue_matches(line, expected):
    """A transcript line against an expected one; in the expected line, a field
    written <name>=? (such as intro=? or edit=?) stands for any text of that field."""
    pattern = ""
    for part in re.split(r'(\b\w+=\?(?= |$))', expected):
        if re.fullmatch(r'\w+=\?', part):
            pattern += re.escape(part[:-1]) + r'"[^"]*"'
        else:
            pattern += re.escape(part)
    return re.fullmatch(pattern, line) is not None


START_ERRORS = {
    2: "the file is not there",
    5: "access is denied",
    193: "it is not a Windows program that this machine's Wine can run",
    216: "it is built for another kind of processor",
    1359: "Wine could not start it (what Wine answers for a 32-bit program where it has no 32-bit part)",
}
START_FAILURE = re.compile(r"^robot: cannot start (.*) error (\d+)$")


def wine_last_words(output, lines=12):
    """The end of what Wine printed, indented under a failure: the file that
    holds it is gone with a clean machine (CI), the reason must not be."""
    said = [l.rstrip() for l in output.decode("utf-8", errors="replace").splitlines() if l.strip()]
    if not said:
        return "\n    Wine printed nothing"
    return "".join("\n    | " + l for l in said[-lines:])


def robot_failure(ctx, status):
    """Why the robot ended without a run, naming the file that holds Wine's output;
    where the robot cannot tell why, the end of that output is quoted."""
    for line in ctx.transcript:
        m = START_FAILURE.match(line)
        if m:
            code = int(m.group(2))
            return "%s did not start under Wine: error %d, %s (Wine's output: %s)" % (
                m.group(1), code, START_ERRORS.get(code, "see Wine's output"), ctx.wine_log)
    return "the robot ended with status %d before the run (Wine's output: %s)%s" % (
        status, ctx.wine_log, wine_last_words(getattr(ctx, "robot_output", b"")))


