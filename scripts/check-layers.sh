#!/usr/bin/env bash
# Fails when the folders of src/ include each other in a circle, or when a file outside
# src/settings spells the name of a stored setting. The build already refuses an include from
# a lower library into a higher one; this catches what it cannot: cycles between folders of one
# library, and settings names creeping back into the code.
set -euo pipefail
cd "$(dirname "$0")/../src"

status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

# One "from to" line per include of another folder's header.
while IFS= read -r file; do
    from=$(dirname "$file")
    from=${from#./}
    { grep -oE '^#include "[^"]+"' "$file" || true; } | sed -E 's/^#include "(.*)"$/\1/' |
        while IFS= read -r header; do
            case "$header" in
            */*) to=$(dirname "$header") ;;
            *) continue ;; # the same folder, a generated form or resource.h
            esac
            if [ "$to" != "$from" ]; then echo "$from $to"; fi
        done
done < <(find . -name '*.cpp' -o -name '*.h' | sort) | sort -u > "$edges"

# tsort names the folders of a circle on standard error.
if ! tsort "$edges" > /dev/null 2> "$edges.err"; then
    echo "Include cycle between folders of src/:"
    grep -v 'input contains a loop' "$edges.err" | sed 's/^tsort: /  /'
    status=1
fi
rm -f "$edges.err"

# Every value and key name of the settings table, as the code would spell it.
names=$(grep -oE '(\{[A-Za-z]+Key, "[A-Za-z%0-9]+"|\[\] = "[A-Za-z%0-9]+")' settings/SettingsKeys.h |
    grep -oE '"[^"]+"$' | grep -v '\\' | sort -u)
for name in $names; do
    if hits=$(grep -rnF --include='*.cpp' --include='*.h' -e "$name" . | grep -v '^\./settings/'); then
        echo "Settings name $name spelled outside src/settings:"
        echo "$hits" | sed 's/^/  /'
        status=1
    fi
done
exit $status
