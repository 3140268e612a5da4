#!/usr/bin/env bash
# Checks that the product's includes run one way, down the layers:
#
#   base < platform < timeline < sstp < sync < component (with resources)
#
# A file may include its own layer and those below. An include that runs
# upward must say why on its own line, as "// upward: <reason>"; a product
# file never includes tools/, tests/, bench/ or fuzz/. Prints every arrow
# that breaks the rule and exits 1 when there is one.
#
#   scripts/check-layers.sh [TREE]
set -euo pipefail
tree=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$tree"

layer_of() {
    case "$1" in
    base) echo 0 ;;
    platform) echo 1 ;;
    timeline) echo 2 ;;
    sstp) echo 3 ;;
    sync) echo 4 ;;
    component | resources) echo 5 ;;
    tools | tests | bench | fuzz) echo 9 ;;
    *) echo -1 ;;
    esac
}

faults=0
arrows=0
while IFS= read -r file; do
    from=${file%%/*}
    from_layer=$(layer_of "$from")
    while IFS=: read -r number line; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$line")
        to=${target%%/*}
        [ "$to" = "$target" ] && continue # a header beside the file, or a system one
        to_layer=$(layer_of "$to")
        [ "$to_layer" -lt 0 ] && continue
        arrows=$((arrows + 1))
        [ "$to_layer" -le "$from_layer" ] && continue
        if [ "$to_layer" -lt 9 ] && grep -q '// upward: [^ ]' <<<"$line"; then
            continue
        fi
        echo "$file:$number: $from includes $target, a layer above it" >&2
        faults=$((faults + 1))
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(find base platform timeline sstp sync component resources \
    -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) 2>/dev/null | sort)

if [ "$faults" -gt 0 ]; then
    echo "check-layers: $faults of $arrows includes run upward without saying why" >&2
    exit 1
fi
echo "check-layers: $arrows includes between folders, none upward unexplained"
