#!/usr/bin/env python3
"""The include graph of app/: prints the arrows between its folders and fails on a circle between
two of its files (a header and its source count as one) or on an arrow from a lower folder up.

The folders, lowest first: shell (the foundation), preview and dialogs, form, window, and main.cpp
at the top. Usage: tools/app_include_graph.py [--dot] (from the repository root)."""
import collections
import pathlib
import re
import sys

LAYERS = {"shell": 0, "preview": 1, "dialogs": 1, "form": 2, "window": 3, ".": 4}
APP = pathlib.Path("app")
INCLUDE = re.compile(r'^#include "([^"]+)"', re.M)


def unit(path):
    return str(path.with_suffix(""))


def folder(name):
    parts = pathlib.Path(name).parts
    return parts[0] if len(parts) > 1 else "."


def graph():
    edges = collections.defaultdict(set)
    for path in sorted(APP.rglob("*")):
        if path.suffix not in (".h", ".cpp") or "resources" in path.parts:
            continue
        source = unit(path.relative_to(APP))
        for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if (APP / target).exists() and unit(pathlib.Path(target)) != source:
                edges[source].add(unit(pathlib.Path(target)))
    return edges


def circles(edges):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for target in edges.get(node, ()):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in list(edges):
        if node not in index:
            visit(node)
    return found


def main():
    edges = graph()
    arrows = collections.Counter(
        (folder(source), folder(target)) for source, targets in edges.items() for target in targets)
    dot = "--dot" in sys.argv
    print("digraph app {" if dot else "folder -> folder (file arrows)")
    for (source, target), count in sorted(arrows.items()):
        if source != target:
            print(f'  "{source}" -> "{target}";' if dot else f"  {source} -> {target} ({count})")
    if dot:
        print("}")
    upward = [(s, t) for s, t in arrows if LAYERS.get(s, 4) < LAYERS.get(t, 4)]
    found = circles(edges)
    for source, target in upward:
        print(f"arrow up: {source} -> {target}", file=sys.stderr)
    for component in found:
        print("circle: " + " -> ".join(component), file=sys.stderr)
    if not dot:
        print(f"circles: {len(found)}, arrows up: {len(upward)}")
    return 1 if upward or found else 0


if __name__ == "__main__":
    sys.exit(main())
