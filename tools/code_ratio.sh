#!/usr/bin/env bash
# Lines of test code (tests/, fuzz/*.cpp, tools/test_*, web/test/) against
# lines of product code (core/, runtime/, frontend/, platform/, the page's
# scripts); the tests should stay at most half the product.
cd "$(dirname "$0")/.." || exit 2
count() { git ls-files -co --exclude-standard --deduplicate "$@" | while read -r f; do [ -f "$f" ] && cat "$f"; done | wc -l; }
tests=$(count tests 'fuzz/*.cpp' 'tools/test_*' web/test)
product=$(count core runtime frontend platform ':(glob)web/src/*.js' ':(glob)web/*.mjs')
echo "test code $tests lines, product $product lines, ratio $(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.2f", t / p }')"
[ $((tests * 2)) -le "$product" ]
