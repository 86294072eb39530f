#!/usr/bin/env bash
# Builds the Debian package in build/ (cpack -G DEB) and checks what it ships: its file list,
# the layout players and desktops rely on, lintian (no errors), the desktop entry and the AppStream
# metainfo. CI runs it after the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --package
umask 022 # the package's modes are the staged files' modes

cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)"
rm -f build/murkmoot_*.deb
(cd build && cpack -G DEB)
deb=$(echo build/murkmoot_*.deb)

echo "== contents of $deb"
dpkg-deb -c "$deb" | tee build/package-contents.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
app=org.murkmoot.Murkmoot
expected=(usr/bin/Murkmoot usr/bin/MurkmootCli usr/bin/MurkmootPool
          usr/share/murkmoot/Assets/Data/OracleSceneData.json usr/share/murkmoot/Assets/Image/Icon/murkmoot-256.png
          usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml
          usr/share/icons/hicolor/scalable/apps/$app.svg
          usr/share/man/man6/Murkmoot.6.gz usr/share/man/man6/MurkmootCli.6.gz usr/share/man/man1/MurkmootPool.1.gz
          usr/share/doc/murkmoot/copyright usr/share/doc/murkmoot/changelog.Debian.gz)
for size in 16 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/$app.png"); done
for file in "${expected[@]}"; do
  [[ -f "$work/$file" ]] || { echo "missing from the package: /$file" >&2; exit 1; }
done
# Every player's pool is their own; the images' sources stay in the repository.
if grep -E 'entropy_pool|/Image/src/' build/package-contents.txt; then
  echo "the package must not ship a pool or the image sources" >&2
  exit 1
fi

echo "== lintian"
lintian --fail-on error --allow-root "$deb"
echo "== desktop entry and AppStream metainfo"
desktop-file-validate "$work/usr/share/applications/$app.desktop"
appstreamcli validate-tree --no-net "$work"
echo "package check passed: $deb"
