#!/usr/bin/env python3
"""Lists the functions of the product code longer than a limit (80 lines by
default) and whether each is signposted with "// Step N." comments, as
FILE:LINE: NAME LINES signposted|NOT SIGNPOSTED.  Exits 1 when a long
function has no signposts.

    tools/long_functions.py [--limit N] [DIR...]   (default: core frontend runtime platform)
"""
import argparse
import pathlib
import re
import sys

HEAD = re.compile(r'(?:^|\n)([^\n;{}#]*?\b([A-Za-z_][\w:~<>]*)\s*\([^;{}]*\)\s*(?:const\s*)?(?:noexcept\s*)?(?:->\s*[\w:<>]+\s*)?)\{')
KEYWORDS = {'if', 'for', 'while', 'switch', 'catch', 'return', 'sizeof'}


def strip(text):
    """Blanks out comments and string literals, keeping line breaks."""
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i)); i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j])); i = j
        elif text[i] in '"\'':
            q, j = text[i], i + 1
            while j < n and text[j] != q:
                j += 2 if text[j] == '\\' else 1
            out.append(' ' * (j + 1 - i)); i = j + 1
        else:
            out.append(text[i]); i += 1
    return ''.join(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--limit', type=int, default=80)
    ap.add_argument('dirs', nargs='*', default=['core', 'frontend', 'runtime', 'platform'])
    args = ap.parse_args()
    bad = 0
    for d in args.dirs:
        for path in sorted(pathlib.Path(d).rglob('*')):
            if path.suffix not in ('.h', '.cpp'):
                continue
            raw = path.read_text()
            text = strip(raw)
            for m in HEAD.finditer(text):
                name = m.group(2)
                if name in KEYWORDS:
                    continue
                start = m.end() - 1
                depth, j = 0, start
                while j < len(text):
                    if text[j] == '{':
                        depth += 1
                    elif text[j] == '}':
                        depth -= 1
                        if depth == 0:
                            break
                    j += 1
                first = text.count('\n', 0, start) + 1
                last = text.count('\n', 0, j) + 1
                if last - first + 1 <= args.limit:
                    continue
                body = raw[m.start():j]
                signposted = re.search(r'//\s*Step \d+\.', body) is not None
                bad += not signposted
                print(f'{path}:{first}: {name} {last - first + 1} '
                      f'{"signposted" if signposted else "NOT SIGNPOSTED"}')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
