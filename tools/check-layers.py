#!/usr/bin/env python3
"""The include graph of the folders under src/: each top-level folder (its
ui/ with it) is one layer. Prints the graph and fails when a folder includes,
directly or through others, a folder that includes it back."""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.MULTILINE)


def folder_graph(src):
    folders = sorted(p.name for p in src.iterdir() if p.is_dir())
    graph = {f: set() for f in folders}
    for folder in folders:
        for path in (src / folder).rglob("*"):
            if path.suffix not in (".h", ".cpp") or not path.is_file():
                continue
            for target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                if target in graph and target != folder:
                    graph[folder].add(target)
    return graph


def cycles(graph):
    """The strongly connected components of more than one folder (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph[node]):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main():
    root = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent
    graph = folder_graph(root / "src")
    for folder in sorted(graph):
        print(f"{folder} -> {' '.join(sorted(graph[folder])) or '(nothing)'}")
    bad = cycles(graph)
    for component in bad:
        print("cycle between folders: " + ", ".join(component), file=sys.stderr)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
