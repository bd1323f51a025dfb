#!/usr/bin/env python3
"""The manual pages, and the checks that keep the documents in step.

  documents.py manpages OUTDIR VERSION
      makes OUTDIR/<name>.1.gz for every page of docs/manpages.md.
  documents.py switches SU_UTILITY CU_UTILITY BOARD_EMULATOR
      fails when the command-line parser (frame/CommandLine.cpp), the usage
      summary of each program (--help), docs/manpages.md and docs/usage.md
      disagree on the utilities' switches or their values, or when the
      emulator's --help, its manual page and emulator/README.md disagree on
      its options.
  documents.py debian-changelog OUTFILE PACKAGE MAINTAINER
      makes the Debian changelog (gzip) of the releases in CHANGELOG.md.
  documents.py links DOCUMENT...
      fails when a relative link of one of the documents (paths from the top
      of the tree, as a package holds them) points at a file not among them.
"""
import datetime
import gzip
import os
import re
import subprocess
import sys
import textwrap

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
SOURCE = os.path.join(ROOT, "docs", "manpages.md")


def read(relative):
    with open(os.path.join(ROOT, relative), encoding="utf-8") as text:
        return text.read()


def pages():
    """[(name, index among the names of its "#" line, [lines])]."""
    text = re.sub(r"<!--.*?-->", "", read("docs/manpages.md"), flags=re.S)
    found = []
    for block in re.split(r"^# ", text, flags=re.M)[1:]:
        names, _, body = block.partition("\n")
        for index, name in enumerate(names.split()):
            found.append((name, index, body.split("\n")))
    return found


def choose(text, index):
    return re.sub(r"\{([^{}|]*)\|([^{}]*)\}", lambda m: m.group(1 + index), text)


def inline(text):
    """Markup of one line of text as roff."""
    out = []
    for part in re.split(r"(`[^`]*`|\*[^*]+\*)", text):
        if part.startswith("`") and part.endswith("`") and len(part) > 1:
            out.append("\\fB" + escape(part[1:-1]).replace("-", "\\-") + "\\fR")
        elif part.startswith("*") and part.endswith("*") and len(part) > 1:
            out.append("\\fI" + escape(part[1:-1]) + "\\fR")
        else:
            out.append(escape(part))
    line = "".join(out)
    return "\\&" + line if line.startswith((".", "'")) else line


def escape(text):
    return text.replace("\\", "\\e")


def roff(name, index, lines, version, date):
    out = ['.TH %s 1 "%s" "security-module-utilities %s" "User Commands"'
           % (name.upper().replace("-", "\\-"), date, version),
           ".nh"]  # switches and paths read better whole
    number = 0
    while number < len(lines):
        line = choose(lines[number], index).rstrip()
        following = choose(lines[number + 1], index) if number + 1 < len(lines) else ""
        number += 1
        if not line:
            continue
        if line.startswith("## "):
            out.append(".SH " + line[3:])
        elif following.startswith(": "):
            out += [".TP", inline(line), inline(following[2:])]
            number += 1
        elif line.startswith("- "):
            out += [".IP \\(bu 2", inline(line[2:])]
        elif out[-1].startswith(".SH NAME"):
            out.append(escape(line).replace(" - ", " \\- ", 1))
        elif out[-1].startswith(".SH"):
            out.append(inline(line))
        else:
            out += [".PP", inline(line)]
    return "\n".join(out) + "\n"


def release_date(version):
    match = re.search(r"^## \[%s\] - (\S+)" % re.escape(version), read("CHANGELOG.md"), re.M)
    return match.group(1) if match else "unreleased"


def build(outdir, version):
    os.makedirs(outdir, exist_ok=True)
    for name, index, lines in pages():
        page = roff(name, index, lines, version, release_date(version)).encode("utf-8")
        # Compressed as Debian wants manual pages: best, without a time stamp.
        with open(os.path.join(outdir, name + ".1.gz"), "wb") as out:
            out.write(gzip.compress(page, compresslevel=9, mtime=0))
    return 0


def debian_changelog(outfile, package, maintainer):
    """One entry per release of CHANGELOG.md, its items as the entry's items."""
    entries = []
    releases = re.split(r"^## \[", read("CHANGELOG.md"), flags=re.M)[1:]
    for release in releases:
        heading, _, body = release.partition("\n")
        match = re.match(r"([\d.]+)\] - (\d{4}-\d\d-\d\d)", heading)
        if not match:
            continue  # [Unreleased]
        version, date = match.groups()
        items = [" ".join(item.split()) for item in re.findall(r"^- (.*?)(?=^- |^#|\Z)", body, re.M | re.S)]
        lines = ["%s (%s) unstable; urgency=medium" % (package, version), ""]
        for item in items or ["Release %s." % version]:
            lines += textwrap.wrap(item, 78, initial_indent="  * ", subsequent_indent="    ")
        when = datetime.datetime.strptime(date, "%Y-%m-%d").strftime("%a, %d %b %Y 00:00:00 +0000")
        lines += ["", " -- %s  %s" % (maintainer, when), ""]
        entries.append("\n".join(lines))
    with open(outfile, "wb") as out:
        out.write(gzip.compress("\n".join(entries).encode("utf-8"), compresslevel=9, mtime=0))
    return 0


# ---------------------------------------------------------------- the check

KINDS = {"decimal": "number", "number": "number", "hexadecimal": "hex", "hex": "hex",
         "path": "path", "text": "text"}


def kind(value):
    value = value.strip().strip("<>*").strip()
    return KINDS.get(value.split()[0], value) if value else ""


def parser_switches():
    table = re.findall(r'\{"(-\w+)", (NO_VALUE|VALUE|VALUE_REPEAT_LINE),', read("frame/CommandLine.cpp"))
    return {name: ("" if rule == "NO_VALUE" else "value") for name, rule in table}


def summary_switches(program):
    run = subprocess.run([program, "--help"], capture_output=True, text=True, check=False)
    if run.returncode != 0:
        sys.exit("%s --help ended with %d" % (program, run.returncode))
    found = {}
    for line in run.stdout.splitlines():
        match = re.match(r"  ([-/]\S*(?:, [-/]\S*)*)((?: <[^>]+>)?)(?:\s{2,}|$)", line)
        if match:
            for name in match.group(1).split(", "):
                found[name] = kind(match.group(2))
    return found


def manpage_switches(page):
    """The tagged items of the OPTIONS section of a page."""
    name, index, lines = next(p for p in pages() if p[0] == page)
    section = "\n".join(lines).split("## OPTIONS", 1)[1].split("\n## ", 1)[0]
    found = {}
    for line in section.split("\n"):
        names = re.findall(r"`([-/][^`]*)`", line)
        if names and not line.startswith(":"):
            value = re.search(r"\*([^*]+)\*", line)
            for switch in names:
                found[switch] = kind(value.group(1)) if value else ""
    return found


def table_switches(document, heading):
    """The first cells of the table under a heading of a Markdown document."""
    section = read(document).split(heading, 1)[1].split("\n#", 1)[0]
    found = {}
    for row in re.findall(r"^\| (`[^|]*)\|([^|]*)\|", section, re.M):
        for switch in re.findall(r"`([-/][^` ]*)", row[0]):
            found[switch] = kind(row[1])
    return found


def emulator_options(program):
    run = subprocess.run([program, "--help"], capture_output=True, text=True, check=False)
    return set(re.findall(r"(--[a-z][\w-]*)", run.stdout + run.stderr))


def compare(what, listings):
    """listings: {source: {switch: value kind, "" for none}}. Every source
    must list the same switches, with a value or without; the parser knows
    only that ("value"), the others name its kind. Prints each difference."""
    findings = 0
    for switch in sorted(set().union(*listings.values())):
        seen = {source: found.get(switch) for source, found in listings.items()}
        named = {value for source, value in seen.items() if source != "parser"}
        if None in seen.values() or len({bool(value) for value in seen.values()}) > 1 or len(named) > 1:
            print("%s: %s differs: %s" % (what, switch, ", ".join(
                "%s %s" % (source, "missing" if value is None else repr(value or "no value"))
                for source, value in seen.items())))
            findings += 1
    return findings


def check(su_program, cu_program, emulator_program):
    parser = parser_switches()
    # The switches the start-up answers before the parser runs.
    parser.update({name: "" for name in ("-GetUtilityVersion", "-?", "/?", "-help", "--help")})
    findings = 0
    for program in (su_program, cu_program):
        findings += compare(os.path.basename(program), {
            "parser": parser,
            "summary": summary_switches(program),
            "docs/manpages.md": manpage_switches("su_utility"),
            "docs/usage.md": table_switches("docs/usage.md", "## Command-line switches"),
        })
    findings += compare("board-emulator", {
        source: {option: "" for option in options} for source, options in (
            ("--help", emulator_options(emulator_program)),
            ("docs/manpages.md", manpage_switches("board-emulator")),
            ("emulator/README.md", table_switches("emulator/README.md", "## Options")))})
    if findings:
        print("%d difference(s): the parser (frame/CommandLine.cpp), the usage summary "
              "(frame/UsageSummary.cpp), docs/manpages.md and docs/usage.md must list the same "
              "switches" % findings)
        return 1
    print("the switches agree: parser, usage summaries, manual pages, usage.md, emulator")
    return 0


def links(documents):
    """Relative links must stay inside the package: a link to a document the
    package does not hold goes nowhere once it is unpacked."""
    held = {os.path.normpath(document) for document in documents}
    findings = 0
    for document in documents:
        text = re.sub(r"```.*?```", "", read(document), flags=re.S)
        for target in re.findall(r"\]\(([^)\s]+)\)", text):
            if re.match(r"[a-z]+:|#", target):
                continue
            path = os.path.normpath(os.path.join(os.path.dirname(document), target.split("#")[0]))
            if path not in held:
                print("%s: links to %s, which the package does not hold" % (document, target))
                findings += 1
    if findings:
        return 1
    print("every relative link of the %d documents stays among them" % len(documents))
    return 0


def main(arguments):
    if len(arguments) == 3 and arguments[0] == "manpages":
        return build(arguments[1], arguments[2])
    if len(arguments) == 4 and arguments[0] == "switches":
        return check(*arguments[1:])
    if len(arguments) == 4 and arguments[0] == "debian-changelog":
        return debian_changelog(*arguments[1:])
    if len(arguments) > 1 and arguments[0] == "links":
        return links(arguments[1:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
