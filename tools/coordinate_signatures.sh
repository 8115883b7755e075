#!/usr/bin/env bash
# Lists the functions of the product code (core/, frontend/) whose parameters
# include a move as four coordinates (fx, fy, tx, ty or fromX .. toY), one
# per line as FILE:LINE: NAME.  The integer code passes squares and moves;
# these are the places on the double board's side of the line.
cd "$(dirname "$0")/.." || exit 1
python3 - "$@" <<'PY'
import re, pathlib
sig = re.compile(r'([A-Za-z_][A-Za-z_0-9:<>]*)\s*\(([^;{}()]*)\)\s*(?:const\s*)?(?:->\s*[\w:]+\s*)?\{', re.S)
four = [re.compile(r'\b(int|double)\s+(fx|fromX)\b'), re.compile(r'\b(int|double)\s+(ty|toY)\b')]
for path in sorted(list(pathlib.Path('core').rglob('*.[ch]*')) + list(pathlib.Path('frontend').rglob('*.[ch]*'))):
    text = path.read_text()
    for m in sig.finditer(text):
        name, params = m.group(1), m.group(2)
        if name in ('if', 'for', 'while', 'switch', 'return'):
            continue
        if all(p.search(params) for p in four):
            line = text.count('\n', 0, m.start()) + 1
            print(f'{path}:{line}: {name}')
PY
