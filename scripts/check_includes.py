#!/usr/bin/env python3
"""The include directions of the installer and its tools.

Prints how often each folder includes each other folder, then fails (exit
1) on every include that runs against the layers:

    package/    the format, the manifest reader, the decoder, the names an
                install uses and the text rules; includes only itself
    system_dlls/ where the installer and the uninstaller load DLLs from;
                includes only itself
    startup/    the two programs' entry point; includes nothing of ours
    engine/     extraction and system registration; package/, resources/
    flow/       the install sequence on top; engine/, package/, resources/

scrpack/'s rooms run one way too, each including only itself and the
rooms below it (and, as scrpack/ as a whole may, package/, engine/, flow/
and resources/):

    scrpack/system/        the operating system's calls, one file per system;
                           includes nothing of scrpack's
    scrpack/text/          bytes and the installer's code page; system/
    scrpack/codec/         the encoder; nothing of scrpack's
    scrpack/pe/            PE images, stubs, resources, signatures; system/, text/
    scrpack/package_file/  writing, reading and checking a package; the
                           rooms above
    scrpack/commands/      the commands and the command line, on top

on every include cycle (files that include each other, directly or
through others), and on every include by which portable code (package/,
resources/, any portable/ folder, and scrpack/ and tools/ as a whole)
would reach Windows-only code.  The tests, fuzzers and benchmarks may use anything.

    scripts/check_includes.py [--quiet]
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHECKED = ["package", "system_dlls", "startup", "engine", "flow", "resources", "scrpack", "uninstaller", "samples", "tools"]
ANYTHING = ["tests", "fuzz", "bench"]
# The folders each folder may include besides itself.
MAY_INCLUDE = {
    "package": set(),
    "resources": set(),
    "system_dlls": set(),
    "startup": set(),
    "engine": {"package", "resources", "system_dlls"},
    "flow": {"engine", "package", "resources", "system_dlls"},
    "uninstaller": {"package", "system_dlls"},
    "samples": set(),
    "scrpack": {"package", "engine", "flow", "resources"},
    "tools": {"scrpack", "package"},
}
# scrpack's rooms and the rooms each may include besides itself.
ROOM_MAY_INCLUDE = {
    "scrpack/system": set(),
    "scrpack/text": {"scrpack/system"},
    "scrpack/codec": set(),
    "scrpack/pe": {"scrpack/system", "scrpack/text"},
    "scrpack/package_file": {"scrpack/system", "scrpack/text", "scrpack/codec", "scrpack/pe"},
    "scrpack/commands": {"scrpack/system", "scrpack/text", "scrpack/codec", "scrpack/pe", "scrpack/package_file"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def is_portable(path):
    """Whether a source file builds natively as well as for Windows."""
    parts = path.split("/")
    return parts[0] in ("package", "resources", "scrpack", "tools") or "portable" in parts[:-1]


def resolve(including, name):
    """The repository path an include names: relative to the including
    file's folder first, then to the top (the installer's include path also
    holds resources/)."""
    for base in (os.path.dirname(including), "", "resources"):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(ROOT, candidate)):
            return candidate
    return None


def room(path):
    """The room of scrpack a file is in (None outside scrpack's rooms)."""
    parts = path.split("/")
    name = "/".join(parts[:2])
    if parts[0] != "scrpack":
        return None
    return name if name in ROOM_MAY_INCLUDE else "scrpack"


def sources():
    for top in CHECKED + ANYTHING:
        for folder, _, files in os.walk(os.path.join(ROOT, top)):
            for name in sorted(files):
                if name.endswith((".cpp", ".h", ".c", ".rc")):
                    yield os.path.relpath(os.path.join(folder, name), ROOT)


def include_cycles(edges):
    """The groups of files that reach each other through their includes,
    each sorted (Tarjan's strongly connected components, iteratively)."""
    index, low, on_stack, stack, cycles = {}, {}, set(), [], []
    for start in sorted(edges):
        if start in index:
            continue
        work = [(start, iter(sorted(edges.get(start, ()))))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, successors = work[-1]
            advanced = False
            for successor in successors:
                if successor not in index:
                    index[successor] = low[successor] = len(index)
                    stack.append(successor)
                    on_stack.add(successor)
                    work.append((successor, iter(sorted(edges.get(successor, ())))))
                    advanced = True
                    break
                if successor in on_stack:
                    low[node] = min(low[node], index[successor])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1 or node in edges.get(node, ()):
                    cycles.append(sorted(group))
    return cycles


def main():
    quiet = "--quiet" in sys.argv
    counts = {}
    faults = []
    edges = {}
    for path in sources():
        source_top = path.split("/")[0]
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for name in INCLUDE.findall(text):
            target = resolve(path, name)
            if target is None:
                faults.append(f"{path}: includes {name}, which is not in the tree")
                continue
            edges.setdefault(path, set()).add(target)
            target_top = target.split("/")[0]
            source_key, target_key = room(path) or source_top, room(target) or target_top
            if source_key != target_key:
                counts[(source_key, target_key)] = counts.get((source_key, target_key), 0) + 1
            if source_top in ANYTHING:
                continue
            source_room, target_room = room(path), room(target)
            if target_top != source_top and target_top not in MAY_INCLUDE[source_top]:
                faults.append(f"{path}: includes {target}, against the layers")
            elif source_room == "scrpack" and path.endswith((".cpp", ".h")):
                faults.append(f"{path}: stands in no room of scrpack/")
            elif source_room and target_room and target_room != source_room and \
                    target_room not in ROOM_MAY_INCLUDE.get(source_room, set()):
                faults.append(f"{path}: includes {target}, against scrpack's rooms")
            elif is_portable(path) and not is_portable(target):
                faults.append(f"{path}: portable code includes Windows-only {target}")
    for cycle in include_cycles(edges):
        faults.append("an include cycle: " + ", ".join(cycle))
    if not quiet:
        print("includes between folders (from -> to: count)")
        for (source_top, target_top), count in sorted(counts.items()):
            print(f"  {source_top:20} -> {target_top:20} {count:3}")
    for fault in faults:
        print(fault)
    print("include directions: " + ("faults above" if faults else "clean"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
