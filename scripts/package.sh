#!/usr/bin/env bash
# Builds KESTREL for /usr and makes a Debian package of it in build-package/.
#   scripts/package.sh        then: sudo apt install ./build-package/kestrel_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-package" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$top/build-package" -j"$(nproc)" --target kestrel kestrel-cli ventrix-sim
cd "$top/build-package"
cpack -G DEB
ls -1 "$top"/build-package/kestrel_*.deb
