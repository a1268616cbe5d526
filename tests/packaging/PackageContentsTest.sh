#!/usr/bin/env bash
# Makes the Debian package from a built tree and checks its file list and its
# control file. Usage: PackageContentsTest.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/kestrel_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
depends=$(dpkg-deb -f "$deb" Depends)
failed=0
for want in ./usr/bin/kestrel ./usr/bin/kestrel-cli ./usr/bin/ventrix-sim \
            ./usr/share/applications/kestrel.desktop \
            ./usr/share/icons/hicolor/scalable/apps/kestrel.svg \
            ./usr/share/icons/hicolor/48x48/apps/kestrel.png \
            ./usr/share/man/man1/kestrel-cli.1 \
            ./usr/share/doc/kestrel/copyright; do
  grep -qx -- "$want" <<<"$files" || { echo "missing from the package: $want"; failed=1; }
done
for want in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6charts6 qt6-qpa-plugins; do
  grep -q "\b$want\b" <<<"$depends" || { echo "Depends lacks $want: $depends"; failed=1; }
done
# The desktop entry starts the program the package installs.
dpkg-deb -x "$deb" "$out/root"
grep -qx 'Exec=kestrel' "$out/root/usr/share/applications/kestrel.desktop" || { echo "desktop entry runs something else"; failed=1; }
grep -qx 'Icon=kestrel' "$out/root/usr/share/applications/kestrel.desktop" || { echo "desktop entry names another icon"; failed=1; }
# The licence: GPL-3.0-or-later, as the source's LICENSE file.
grep -qx 'License: GPL-3.0-or-later' "$out/root/usr/share/doc/kestrel/copyright" || { echo "copyright file names another licence"; failed=1; }
exit $failed
