#!/usr/bin/env bash
# Builds the tests under AddressSanitizer and UndefinedBehaviorSanitizer with
# clang, runs them, then runs every fuzz target for a bounded time from its
# seed corpus. Any report fails the run.
#   scripts/sanitize.sh [SECONDS_PER_FUZZ_TARGET]   (default 30)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${1:-30}
"$top/scripts/install-deps.sh"
"$top/scripts/install-deps.sh" "$top/scripts/debian-packages-sanitize.txt"
cd "$top"
cmake --preset sanitize -DKESTREL_WERROR="${KESTREL_WERROR:-OFF}" >/dev/null
cmake --build --preset sanitize -j"$(nproc)"
ctest --preset sanitize -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan-suppressions.txt:print_suppressions=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "$top"/build-sanitize/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue   # the build's own folders
  name=${target##*/fuzz_}
  mkdir -p "$work/$name"
  echo "fuzzing $name for ${fuzz_seconds} s"
  # New inputs go to a scratch folder; the committed seeds stay as they are.
  "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$top/build-sanitize/fuzz/$name-" \
            "$work/$name" "$top/fuzz/corpus/$name" 2>"$work/$name.log" \
    || { tail -n 60 "$work/$name.log"; echo "fuzz target $name failed"; exit 1; }
  tail -n 1 "$work/$name.log"
done
echo "sanitizer tests and fuzz targets: no findings"
