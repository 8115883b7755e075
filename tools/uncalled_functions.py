#!/usr/bin/env python3
"""Lists the functions defined in the product code (core/, frontend/,
runtime/, platform/) that nothing names: no call, no address taken, no test,
fuzz target or benchmark that uses them.  A name counts as used when it
appears anywhere in the sources other than in its own definitions and
declarations.  Exits 1 when there is one.

    tools/uncalled_functions.py
"""
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from long_functions import HEAD, KEYWORDS, strip  # noqa: E402

PRODUCT = ['core', 'frontend', 'runtime', 'platform']
EVERYWHERE = PRODUCT + ['tests', 'fuzz', 'bench', 'web']
# Entry points the toolchain or the system calls.
ENTRY = {'main', 'WinMain', 'wWinMain', 'LLVMFuzzerTestOneInput', 'operator'}


def sources(dirs):
    for d in dirs:
        for path in sorted(pathlib.Path(d).rglob('*')):
            if path.suffix in ('.h', '.cpp', '.c') and path.is_file():
                yield path


def main():
    texts = {p: strip(p.read_text(errors='replace')) for p in sources(EVERYWHERE)}
    defined = {}
    typed = re.compile(r'^[ \t]*(?:template\s*<[^>]*>\s*)?(?:[A-Za-z_][\w:<>,]*[ \t*&]+)+$')
    for path in sources(PRODUCT):
        for m in HEAD.finditer(texts[path]):
            name = m.group(2).split('::')[-1]
            if name in KEYWORDS or name in ENTRY or name == 'decltype' or name.startswith('~') or not name.isidentifier():
                continue
            # A definition has a return type (or is a constructor) before
            # its name on the line; a call with a lambda argument has not.
            text = texts[path]
            line_start = text.rfind('\n', 0, m.start(2)) + 1
            prefix = text[line_start:m.start(2)]
            if prefix.strip() and (not typed.match(prefix) or
                                   prefix.split()[0] in ('return', 'else', 'case')):
                continue
            if not prefix.strip() and not re.search(r'\n\s*$|^\s*$', text[max(0, line_start - 2):line_start]):
                continue
            if 'EMSCRIPTEN_KEEPALIVE' in prefix:
                continue
            defined.setdefault(name, []).append(f'{path}:{texts[path].count(chr(10), 0, m.start()) + 1}')
    uses = {}
    word = re.compile(r'\b[A-Za-z_]\w*\b')
    for text in texts.values():
        for w in word.findall(text):
            if w in defined:
                uses[w] = uses.get(w, 0) + 1
    # A declaration (a return type before the name, a semicolon after the
    # parameters) names the function once more than its definitions.
    decl = {}
    declaration = re.compile(
        r'^[ \t]*((?:[A-Za-z_][\w:<>]*[ \t*&]+)+)([A-Za-z_]\w*)\s*\([^;{}]*\)\s*(?:const\s*)?;', re.M)
    for text in texts.values():
        for m in declaration.finditer(text):
            words = m.group(1).split()
            if words and words[0] in ('return', 'else', 'case', 'delete', 'throw', 'goto'):
                continue
            decl[m.group(2)] = decl.get(m.group(2), 0) + 1
    unused = []
    for name, where in sorted(defined.items()):
        if uses.get(name, 0) - len(where) - decl.get(name, 0) <= 0:
            unused.append((name, where))
    for name, where in unused:
        print(f'{where[0]}: {name}')
    print(f'{len(unused)} functions that nothing names')
    return 1 if unused else 0


if __name__ == '__main__':
    sys.exit(main())
