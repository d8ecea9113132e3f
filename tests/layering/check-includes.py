#!/usr/bin/env python3
"""Checks the include order the architecture document states: inside src/core a folder includes
only folders listed before it, and no part of the GUI but the application itself includes gui/app.
Usage: check-includes.py REPOSITORY; prints each include that breaks the order, exits 1 if any."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.')
document = (root / 'docs' / 'ARCHITECTURE.md').read_text(encoding='utf-8')
block = re.search(r'Inside `core` the folders are ordered.*?```\n(.*?)```', document, re.S)
if not block:
    sys.exit('docs/ARCHITECTURE.md states no order of the core folders')
order = [name.strip() for name in block.group(1).replace('\n', ' ').split('<') if name.strip()]
rank = {name: i for i, name in enumerate(order)}
include = re.compile(r'^\s*#\s*include\s+"(core|gui)/([a-z]+)/', re.M)
faults = []
for source in sorted((root / 'src').rglob('*')):
    if source.suffix not in ('.h', '.cpp'):
        continue
    parts = source.relative_to(root / 'src').parts
    if len(parts) < 3:
        continue
    layer, folder = parts[0], parts[1]
    for match in include.finditer(source.read_text(encoding='utf-8', errors='replace')):
        target_layer, target = match.group(1), match.group(2)
        where = f'{source.relative_to(root)}: includes {target_layer}/{target}'
        if layer == 'core' and target_layer == 'core' and target != folder:
            if folder not in rank or target not in rank:
                faults.append(f'{where} (a core folder the order does not name)')
            elif rank[target] > rank[folder]:
                faults.append(f'{where}, which comes after {folder}')
        if layer == 'gui' and target_layer == 'gui' and target == 'app' and folder != 'app':
            faults.append(f'{where}, the application above every pane')
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
