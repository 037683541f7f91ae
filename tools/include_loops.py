#!/usr/bin/env python3
"""Finds include loops between the modules of a source folder.

A module is a file name without its extension: Form.hpp and Form.cpp are the
module Form. Module A depends on module B when a file of A includes a file of
B with #include "..." (a file of the same folder). A loop is a set of modules
that reach each other through such dependencies, even when no header includes
itself: Form.cpp including Menus.hpp and Menus.cpp including Form.hpp is one.

Usage: include_loops.py FOLDER...   exit 0 without loops, 1 with (listed).
       include_loops.py --self-test  checks the finder on made-up folders.
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
SOURCES = ('.c', '.cpp', '.h', '.hpp')


def module_graph(folder):
    files = [f for f in os.listdir(folder) if f.endswith(SOURCES)]
    module_of = {f: os.path.splitext(f)[0] for f in files}
    graph = {m: set() for m in module_of.values()}
    for name in files:
        with open(os.path.join(folder, name), encoding='utf-8', errors='replace') as source:
            for included in INCLUDE.findall(source.read()):
                target = module_of.get(included)
                if target and target != module_of[name]:
                    graph[module_of[name]].add(target)
    return graph


def loops(graph):
    """The strongly connected sets of more than one module (Tarjan)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for successor in sorted(graph[node]):
            if successor not in index:
                visit(successor)
                low[node] = min(low[node], low[successor])
            elif successor in on_stack:
                low[node] = min(low[node], index[successor])
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

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def check(folders):
    failed = False
    for folder in folders:
        for component in loops(module_graph(folder)):
            print(f'{folder}: include loop between {", ".join(component)}')
            failed = True
    return 1 if failed else 0


def self_test():
    cases = {
        'no loop': ({'A.hpp': '', 'A.cpp': '#include "A.hpp"\n#include "B.hpp"', 'B.hpp': ''}, []),
        'through sources': ({'A.hpp': '', 'A.cpp': '#include "B.hpp"', 'B.hpp': '', 'B.cpp': '#include "A.hpp"'},
                            [['A', 'B']]),
        'three modules': ({'A.hpp': '#include "B.hpp"', 'B.hpp': '#include "C.hpp"', 'C.hpp': '',
                           'C.cpp': ' # include "A.hpp"'},
                          [['A', 'B', 'C']]),
        'system headers': ({'A.cpp': '#include <B.hpp>', 'B.cpp': '#include "A.cpp"'}, []),
    }
    for name, (files, expected) in cases.items():
        with tempfile.TemporaryDirectory() as folder:
            for file_name, text in files.items():
                with open(os.path.join(folder, file_name), 'w', encoding='utf-8') as out:
                    out.write(text + '\n')
            got = loops(module_graph(folder))
            if got != expected:
                print(f'self-test "{name}": expected {expected}, got {got}')
                return 1
    return 0


if __name__ == '__main__':
    if sys.argv[1:] == ['--self-test']:
        sys.exit(self_test())
    if len(sys.argv) < 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(check(sys.argv[1:]))
