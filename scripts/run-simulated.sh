#!/usr/bin/env bash
# Installs what is needed, builds, and starts KESTREL on a simulated Ventrix.
# Extra arguments go to kestrel (for example --sim-stage base).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
exec "$top/build/kestrel" --simulate "$@"
