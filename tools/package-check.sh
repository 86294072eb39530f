#!/usr/bin/env bash
# Builds the Debian package in build-deb/ (cpack -G DEB, the games layout Debian uses) and checks
# what it ships: its file list, the layout players and desktops rely on, lintian (no errors, no
# warnings), the desktop entry and the AppStream metainfo, and that the games start from the
# unpacked tree. With --install (as root) it then installs the package with apt-get, plays as an
# ordinary user from the PATH and from the menu entry's command, and removes it again.
# CI runs it after the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
install=false
for option in "$@"; do
  case "$option" in
    --install) install=true ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done
tools/install-deps.sh --package
umask 022 # the package's modes are the staged files' modes

build=build-deb
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURKMOOT_TESTS=OFF \
  -DMURKMOOT_INSTALL_GAMESDIR=games -DMURKMOOT_INSTALL_DATADIR=share/games/murkmoot >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/murkmoot_*.deb
(cd "$build" && cpack -G DEB)
deb=$(echo "$build"/murkmoot_*.deb)

echo "== contents of $deb"
dpkg-deb -c "$deb" | tee "$build/package-contents.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
app=org.murkmoot.Murkmoot
data=usr/share/games/murkmoot
expected=(usr/games/Murkmoot usr/games/MurkmootCli usr/bin/MurkmootPool
          $data/Assets/Data/OracleSceneData.json $data/Assets/Image/Icon/murkmoot-256.png
          $data/Assets/TTF/Silkscreen-Regular.ttf
          usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml
          usr/share/icons/hicolor/scalable/apps/$app.svg
          usr/share/man/man6/Murkmoot.6.gz usr/share/man/man6/MurkmootCli.6.gz usr/share/man/man1/MurkmootPool.1.gz
          usr/share/doc/murkmoot/copyright usr/share/doc/murkmoot/changelog.Debian.gz)
for size in 16 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/$app.png"); done
for file in "${expected[@]}"; do
  [[ -f "$work/root/$file" ]] || { echo "missing from the package: /$file" >&2; exit 1; }
done
# Fonts Debian packages are links to those packages' files, which the package depends on.
declare -A links=([Lato-Regular.ttf]=lato/Lato-Regular.ttf [Lato-Black.ttf]=lato/Lato-Black.ttf
                  [quadriana.ttf]=klaudia-berenika/Klaudia.ttf)
for font in "${!links[@]}"; do
  target=$(readlink "$work/root/$data/Assets/TTF/$font") || { echo "not a link: /$data/Assets/TTF/$font" >&2; exit 1; }
  [[ $(realpath -m "/$data/Assets/TTF/$target") == "/usr/share/fonts/truetype/${links[$font]}" ]] ||
    { echo "/$data/Assets/TTF/$font links to $target" >&2; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q 'fonts-lato, fonts-klaudia-berenika' ||
  { echo "the package does not depend on the font packages" >&2; exit 1; }
# Every player's pool is their own; the images' sources stay in the repository.
if grep -E 'entropy_pool|/Image/src/' "$build/package-contents.txt"; then
  echo "the package must not ship a pool or the image sources" >&2
  exit 1
fi
exec_line=$(grep '^Exec=' "$work/root/usr/share/applications/$app.desktop")
[[ $exec_line == "Exec=/usr/games/Murkmoot" ]] || { echo "desktop entry: $exec_line" >&2; exit 1; }

echo "== lintian"
# No error and no warning but one, on purpose and explained in the README: MurkmootPool is a tool,
# not a game, used by root too (whose PATH has no /usr/games), so it stays in /usr/bin.
lintian --allow-root "$deb" | tee "$build/lintian.txt"
if grep -E '^[EW]: ' "$build/lintian.txt" | grep -v ': package-section-games-but-has-usr-bin$'; then
  echo "lintian: errors or warnings above" >&2
  exit 1
fi
echo "== desktop entry and AppStream metainfo"
desktop-file-validate "$work/root/usr/share/applications/$app.desktop"
appstreamcli validate-tree --no-net "$work/root"

# The unpacked tree is the package's layout under another prefix: the games find their data from
# where they are, and a player's first start makes their pool.
echo "== a consultation from the unpacked package"
mkdir "$work/home"
out=$(cd "$work" && HOME="$work/home" XDG_DATA_HOME='' XDG_STATE_HOME='' "$work/root/usr/games/MurkmootCli" <<<"why")
grep -q "Final Verdict: " <<<"$out" || { echo "$out" >&2; exit 1; }
HOME="$work/home" "$work/root/usr/bin/MurkmootPool" status | grep -q "^Pool: $work/home/.local/share/murkmoot/entropy_pool.txt$"

if $install; then
  [[ $(id -u) -eq 0 ]] || { echo "--install needs root" >&2; exit 1; }
  echo "== apt-get install ./$deb, then an ordinary user plays"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" >/dev/null
  player=$(mktemp -d)
  chown nobody:nogroup "$player"
  as_player=(setpriv --reuid=nobody --regid=nogroup --clear-groups
             env -i HOME="$player" PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games)
  out=$(cd "$player" && "${as_player[@]}" MurkmootCli <<<"why")
  grep -q "Final Verdict: " <<<"$out" || { echo "$out" >&2; exit 1; }
  "${as_player[@]}" MurkmootPool status | grep -q "^Values left: "
  # The menu's command: the window runs (stopped after a few seconds) and finds its data.
  status=0
  (cd "$player" && xvfb-run -a timeout 8 "${as_player[@]}" SDL_AUDIODRIVER=dummy "${exec_line#Exec=}") || status=$?
  grep -q "Could not change" "$player/.local/state/murkmoot/log.txt" && status=1
  [[ $status -eq 124 ]] || { echo "the menu's command ended with $status" >&2; cat "$player/.local/state/murkmoot/log.txt" >&2; exit 1; }
  rm -rf "$player"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -q murkmoot >/dev/null
fi
echo "package check passed: $deb"
