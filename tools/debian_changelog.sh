#!/usr/bin/env bash
# Writes the Debian changelog of the package to standard output, made from
# CHANGELOG.md: one entry per released section "## VERSION (YYYY-MM-DD)",
# newest first; the "Unreleased" section is left out.
#   tools/debian_changelog.sh CHANGELOG.md "NAME <ADDRESS>"
set -euo pipefail
[ $# = 2 ] || { echo "usage: tools/debian_changelog.sh CHANGELOG.md MAINTAINER" >&2; exit 2; }
changelog=$1
maintainer=$2

# A release's date as the changelog's trailer writes it (RFC 2822, noon UTC).
trailer_date() { LC_ALL=C date -u -R -d "$1 12:00"; }

entry=0
while IFS= read -r line; do
    if [[ $line =~ ^##\ ([^ ]+)\ \(([0-9]{4}-[0-9]{2}-[0-9]{2})\)$ ]]; then
        [ $entry = 1 ] && printf '\n -- %s  %s\n\n' "$maintainer" "$date"
        version=${BASH_REMATCH[1]}
        date=$(trailer_date "${BASH_REMATCH[2]}")
        printf 'quintar (%s) unstable; urgency=medium\n\n' "$version"
        entry=1
    elif [[ $line == '#'* ]]; then
        [ $entry = 1 ] && printf '\n -- %s  %s\n\n' "$maintainer" "$date"
        entry=0
    elif [ $entry = 1 ] && [ -n "$line" ]; then
        # Markdown to changelog: "- item" becomes "  * item", its continuation
        # lines are indented to match, and code marks go.
        line=${line//\`/}
        case $line in
        '- '*) printf '  * %s\n' "${line#- }" ;;
        '  '*) printf '    %s\n' "${line#  }" ;;
        *) printf '  %s\n' "$line" ;;
        esac
    fi
done <"$changelog"
[ $entry = 1 ] && printf '\n -- %s  %s\n' "$maintainer" "$date"
exit 0
