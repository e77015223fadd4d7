#!/usr/bin/env bash
# Fails when the folders of src/ include each other in a circle, when a folder of the model
# includes one that stands above it in the order below, or when a file outside src/settings
# spells the name of a stored setting. The build already refuses an include from a lower
# library into a higher one; this catches what it cannot, inside one library.
#
# Usage: check-layers.sh [SRC]   (SRC defaults to the project's src/)
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
cd "$src"

# The model's folders, lowest first. A folder may include the folders of lower ranks only;
# folders of one rank know nothing of each other.
model_rank='
model/text 0
model/io 0
model/book 1
model/storage 2
model/search 2
model/exchange 2
model/match 3
model/exchange/csv 3
model/exchange/vcard 3
model/sync 4
'

status=0
edges=$(mktemp)
trap 'rm -f "$edges" "$edges.err"' EXIT

# One "from to file" line per include of another folder's header, from one grep of the tree.
grep -rHoE --include='*.cpp' --include='*.h' '^#include "[^"]+/[^"]+"' . |
    awk -F: '{
        file = $1; sub(/^\.\//, "", file)
        from = file; sub(/\/[^\/]*$/, "", from)
        header = $2; sub(/^#include "/, "", header); sub(/"$/, "", header)
        to = header; sub(/\/[^\/]*$/, "", to)
        if (to != from) print from, to, file
    }' | sort -u > "$edges"

# tsort names the folders of a circle on standard error.
if ! cut -d' ' -f1,2 "$edges" | sort -u | tsort > /dev/null 2> "$edges.err"; then
    echo "Include cycle between folders of src/:"
    grep -v 'input contains a loop' "$edges.err" | sed 's/^tsort: /  /'
    status=1
fi

# Includes against the model's order.
wrong=$(awk -v table="$model_rank" '
    BEGIN {
        n = split(table, lines, "\n")
        for (i = 1; i <= n; i++) if (split(lines[i], f, " ") == 2) rank[f[1]] = f[2]
    }
    ($1 in rank) && ($2 in rank) && rank[$2] >= rank[$1] {
        printf "  %s includes %s (%s)\n", $1, $2, $3
    }
    ($1 in rank) && $2 ~ /^model/ && !($2 in rank) { printf "  %s: unknown folder %s\n", $3, $2 }
    $1 ~ /^model/ && !($1 in rank) { printf "  %s: folder %s has no place in the order\n", $3, $1 }
' "$edges")
if [ -n "$wrong" ]; then
    echo "Model folders included against their order (text, io < book < storage, search, exchange < exchange/csv, exchange/vcard, match < sync):"
    echo "$wrong"
    status=1
fi

# Every value and key name of the settings table, as the code would spell it, in one grep.
names=$(grep -oE '(\{[A-Za-z]+Key, "[A-Za-z%0-9]+"|\[\] = "[A-Za-z%0-9]+")' settings/SettingsKeys.h |
    grep -oE '"[^"]+"$' | grep -v '\\' | sort -u)
if hits=$(grep -rnF --include='*.cpp' --include='*.h' -e "$names" . | grep -v '^\./settings/'); then
    echo "Settings names spelled outside src/settings:"
    echo "$hits" | sed 's/^/  /'
    status=1
fi
exit $status
