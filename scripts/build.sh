#!/usr/bin/env bash
# Configures and builds KESTREL into build/ (Release with debug info).
# KESTREL_WERROR=ON in the environment makes every warning an error (CI).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKESTREL_WERROR="${KESTREL_WERROR:-OFF}" >/dev/null
cmake --build "$top/build" -j"$(nproc)"
