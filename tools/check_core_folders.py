#!/usr/bin/env python3
"""Checks that the core's folders include each other without a cycle.

Each folder under src/core is one concern; a file in src/core itself is the facade, which may
include every folder and which no folder may include. An include between two folders is an edge;
any cycle among them (a folder that, through others, includes itself) fails the check and is
printed, with one include that makes each edge.
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"core/([^"]+)"', re.MULTILINE)


def folder_of(relative: pathlib.PurePosixPath) -> str:
    return relative.parts[0] if len(relative.parts) > 1 else "(facade)"


def edges_of(core: pathlib.Path):
    edges = {}
    for path in sorted(core.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        source = folder_of(pathlib.PurePosixPath(path.relative_to(core).as_posix()))
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            target = folder_of(pathlib.PurePosixPath(included))
            if target != source:
                edges.setdefault((source, target), f"{path.relative_to(core)} -> core/{included}")
    return edges


def cycles_of(edges):
    graph = {}
    for source, target in edges:
        graph.setdefault(source, set()).add(target)
        graph.setdefault(target, set())
    # Tarjan's strongly connected components: a component of more than one folder is a cycle.
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for next_node in sorted(graph[node]):
            if next_node not in index:
                visit(next_node)
                low[node] = min(low[node], low[next_node])
            elif next_node in on_stack:
                low[node] = min(low[node], index[next_node])
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

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    core = root / "src" / "core"
    edges = edges_of(core)
    facade_users = [why for (source, target), why in edges.items() if target == "(facade)"]
    cycles = cycles_of(edges)
    for why in facade_users:
        print(f"a folder includes the facade: {why}")
    for component in cycles:
        print("folders that include each other: " + ", ".join(component))
        for (source, target), why in sorted(edges.items()):
            if source in component and target in component:
                print(f"    {why}")
    if facade_users or cycles:
        return 1
    folders = sorted({folder for edge in edges for folder in edge})
    print(f"core folders without include cycle: {', '.join(folders)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
