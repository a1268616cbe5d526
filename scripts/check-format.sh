#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format makes
# of it with the project's .clang-format; `scripts/check-format.sh --fix`
# formats them in place instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" "$top/scripts/debian-packages-format.txt"
cd "$top"
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src sim tests bench fuzz -name '*.cpp' -o -name '*.h')
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run -Werror "${files[@]}"
  echo "format: ${#files[@]} files as .clang-format has them"
fi
