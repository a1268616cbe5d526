#!/usr/bin/env bash
# Lists every include that runs from a folder of src/ (or sim/) to a folder
# above it and exits non-zero if there is any. The layers, lowest first, are
# KESTREL_LAYERS in CMakeLists.txt (the README's layout table shows them).
set -euo pipefail
cd "$(dirname "$0")/.."
layers=$(sed -n 's/^set(KESTREL_LAYERS \(.*\))$/\1/p' CMakeLists.txt)
[[ -n $layers ]] || { echo "check-layers: no KESTREL_LAYERS in CMakeLists.txt" >&2; exit 2; }
{ grep -rHn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]*/' src sim || true; } |
  sort -t: -k1,1 -k2,2n |
  awk -v layers="$layers" '
    BEGIN { n = split(layers, name, " "); for (i = 1; i <= n; i++) rank[name[i]] = i }
    {
      split($0, part, ":"); file = part[1]; line = part[2]
      split(file, dir, "/"); from = (dir[1] == "sim") ? "sim" : dir[2]
      match($0, /"[a-z]*\//); to = substr($0, RSTART + 1, RLENGTH - 2)
      if ((from in rank) && (to in rank) && rank[to] > rank[from]) {
        printf "%s:%s: %s includes %s (%s)\n", file, line, from, to, substr($0, index($0, "#include"))
        count++
      }
    }
    END {
      if (count) { printf "%d upward include(s); layers, lowest first: %s\n", count, layers; exit 1 }
    }'
