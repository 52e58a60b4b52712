#!/usr/bin/env python3
"""Checks that the source folders include only downward and that no two
modules include each other, directly or through others. A module is a header
with its sources: shortcuts.h, shortcuts.cpp and shortcuts_win32.cpp.

Each top-level folder has a layer; a file may include files of its own
folder and of lower layers only. Prints every offending #include edge and
every header cycle, and exits 1 when there is one.
Usage: check-layers.py [REPOSITORY_ROOT]
"""
import pathlib
import re
import sys

# Lower numbers lie further down. Folders on one layer do not include each other.
LAYERS = {
    "os": 0,
    "resources": 0,
    "package": 1,
    "settings": 1,
    "ui": 1,
    "settings_pages": 2,
    "packer": 2,
    "uninstaller": 2,
    "wizard": 3,
}
# The wizard's pages still reach the application object that owns them, so
# module cycles are looked for in the layers below it only.
CYCLES_ALLOWED_IN = {"wizard"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def project_includes(root):
    """Maps each source file (relative path) to the project files it includes."""
    edges = {}
    for folder in LAYERS:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".h", ".cpp", ".rc"):
                continue
            text = path.read_text(encoding="latin-1")
            targets = [name for name in INCLUDE.findall(text) if name.split("/")[0] in LAYERS]
            edges[path.relative_to(root).as_posix()] = targets
    return edges


def upward_edges(edges):
    problems = []
    for source, targets in edges.items():
        source_folder = source.split("/")[0]
        for target in targets:
            target_folder = target.split("/")[0]
            if target_folder != source_folder and LAYERS[target_folder] >= LAYERS[source_folder]:
                problems.append(f"{source} includes {target}: {target_folder} is not below {source_folder}")
    return problems


def module_of(path):
    return re.sub(r"(_win32|_posix)?\.(h|cpp|rc)$", "", path)


def module_cycles(edges):
    """Every cycle among modules, each reported once by its modules in order."""
    graph = {}
    for source, targets in edges.items():
        if source.split("/")[0] in CYCLES_ALLOWED_IN:
            continue
        module = module_of(source)
        graph.setdefault(module, set()).update(module_of(t) for t in targets if module_of(t) != module)
    cycles = set()
    state = {}

    def visit(node, stack):
        state[node] = "open"
        stack.append(node)
        for target in sorted(graph.get(node, ())):
            if state.get(target) == "open":
                cycle = stack[stack.index(target):]
                start = cycle.index(min(cycle))
                cycles.add(" -> ".join(cycle[start:] + cycle[:start] + [min(cycle)]))
            elif target not in state:
                visit(target, stack)
        stack.pop()
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [])
    return [f"include cycle: {cycle}" for cycle in sorted(cycles)]


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    edges = project_includes(root)
    problems = upward_edges(edges) + module_cycles(edges)
    for problem in problems:
        print(problem)
    print(f"{sum(len(t) for t in edges.values())} includes in {len(edges)} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
