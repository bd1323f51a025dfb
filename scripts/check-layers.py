#!/usr/bin/env python3
"""Fails on any product include that breaks the layer order, and on circles.

Each product folder may include its own files and those of the folders below
it: platform, then base, trace, config, link, commands and frame at the top.
base is the exception: it is the standard library only, not even platform.
Every include, quoted or angled, is resolved against the including file's
folder and then the tree root, so "../frame/x.h" and <frame/x.h> are judged
by where they land. A product file never includes anything outside the
product folders (emulator/, driver/, tests/, ...). Headers from outside the
tree must be the standard library's; the platform files of one OS may also
include that OS's headers.

A unit is a .h with its .cpp. No unit may depend on itself round a circle of
units: each circle is reported.

Usage: scripts/check-layers.py [--root DIR]   (default: this tree)
"""
import argparse
import os
import re
import sys

LAYERS = ["platform", "base", "trace", "config", "link", "commands", "frame"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')

# The C++17 standard library, with the C library in both spellings.
STANDARD = set("""
algorithm any array atomic bitset cassert ccomplex cctype cerrno cfenv cfloat
charconv chrono cinttypes ciso646 climits clocale cmath codecvt complex
condition_variable csetjmp csignal cstdalign cstdarg cstdbool cstddef cstdint
cstdio cstdlib cstring ctgmath ctime cuchar cwchar cwctype deque exception
execution filesystem forward_list fstream functional future initializer_list
iomanip ios iosfwd iostream istream iterator limits list locale map memory
memory_resource mutex new numeric optional ostream queue random ratio regex
scoped_allocator set shared_mutex sstream stack stdexcept streambuf string
string_view strstream system_error thread tuple type_traits typeindex typeinfo
unordered_map unordered_set utility valarray variant vector
assert.h complex.h ctype.h errno.h fenv.h float.h inttypes.h iso646.h limits.h
locale.h math.h setjmp.h signal.h stdalign.h stdarg.h stdbool.h stddef.h
stdint.h stdio.h stdlib.h string.h tgmath.h time.h uchar.h wchar.h wctype.h
""".split())

# What each OS's platform folder may include besides the standard library.
OS_HEADERS = {
    "platform/posix": (re.compile(r"^(sys|netinet|arpa)/[a-z_]+\.h$"),
                       set("unistd.h fcntl.h poll.h termios.h pwd.h pthread.h dirent.h "
                           "netdb.h sched.h semaphore.h spawn.h".split())),
    "platform/win32": (re.compile(r"^$"),
                       set("windows.h conio.h io.h process.h mmsystem.h winioctl.h "
                           "share.h direct.h fcntl.h".split())),
}


def product_files(root):
    for layer in LAYERS:
        for folder, _, files in os.walk(os.path.join(root, layer)):
            for name in sorted(files):
                if name.endswith((".cpp", ".h")):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def resolve(root, including, bracket, target):
    """The tree path the include lands on, or None when it is not in the tree.
    A path that climbs out of the tree is returned as it resolves, with its '..'."""
    bases = [os.path.dirname(including), ""] if bracket == '"' else [""]
    for base in bases:
        candidate = os.path.normpath(os.path.join(base, target)).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def layer_of(path):
    top = path.split("/", 1)[0]
    return top if top in LAYERS and "/" in path else None


def system_header_allowed(including, target):
    if target in STANDARD:
        return True
    for folder, (pattern, names) in OS_HEADERS.items():
        if including.startswith(folder + "/"):
            return target in names or bool(pattern.match(target))
    return False


def check_include(including, line, bracket, target, resolved):
    """The finding for one include, or None."""
    layer = layer_of(including)
    where = "%s:%d:" % (including, line)
    if resolved is None:
        if bracket == '"':
            return "%s includes \"%s\", which is not in the tree" % (where, target)
        if not system_header_allowed(including, target):
            return "%s includes <%s>, neither the standard library nor a header its platform may use" % (
                where, target)
        return None
    target_layer = layer_of(resolved)
    if target_layer is None:
        return "%s includes %s, which is not product code" % (where, resolved)
    if layer == "base" and target_layer != "base":
        return "%s base includes %s; it uses the standard library only" % (where, resolved)
    if LAYERS.index(target_layer) > LAYERS.index(layer):
        return "%s %s includes %s, a layer above it" % (where, layer, resolved)
    return None


def unit_of(path):
    return os.path.splitext(path)[0]


def circles(graph):
    """Each strongly connected group of two or more units, with one circle
    through it, by Tarjan's algorithm (iterative: the tree is small, but
    recursion limits are not worth meeting)."""
    index, low, on_stack, stack, groups = {}, {}, set(), [], []
    counter = [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            advanced = False
            for succ in edges:
                if succ not in index:
                    index[succ] = low[succ] = counter[0]
                    counter[0] += 1
                    stack.append(succ)
                    on_stack.add(succ)
                    work.append((succ, iter(sorted(graph.get(succ, ())))))
                    advanced = True
                    break
                if succ in on_stack:
                    low[node] = min(low[node], index[succ])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = set()
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.add(member)
                    if member == node:
                        break
                if len(group) > 1:
                    groups.append(group)
    return [(sorted(group), one_circle(graph, group)) for group in groups]


def one_circle(graph, group):
    """A shortest way from the group's first unit back to itself inside it."""
    first = min(group)
    paths = {first: [first]}
    frontier = [first]
    while frontier:
        following = []
        for node in frontier:
            for succ in sorted(graph[node]):
                if succ not in group:
                    continue
                if succ == first:
                    return paths[node] + [first]
                if succ not in paths:
                    paths[succ] = paths[node] + [succ]
                    following.append(succ)
        frontier = following
    return [first, first]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    root = os.path.abspath(parser.parse_args().root)
    findings = []
    graph = {}
    for path in product_files(root):
        unit = unit_of(path)
        graph.setdefault(unit, set())
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, text in enumerate(source, 1):
                match = INCLUDE.match(text)
                if not match:
                    continue
                bracket, target = match.groups()
                resolved = resolve(root, path, bracket, target)
                finding = check_include(path, number, bracket, target, resolved)
                if finding:
                    findings.append(finding)
                elif resolved is not None and unit_of(resolved) != unit:
                    graph[unit].add(unit_of(resolved))
    for group, circle in circles(graph):
        findings.append("circle among %s: %s" % (", ".join(group), " -> ".join(circle)))
    for finding in findings:
        print(finding)
    order = " < ".join(LAYERS)
    if findings:
        print("layers: %d finding(s); the order is %s, with no circle between units" % (len(findings), order))
        return 1
    print("layers: clean (%s; no circle between units)" % order)
    return 0


if __name__ == "__main__":
    sys.exit(main())
