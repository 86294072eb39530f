#!/usr/bin/env bash
# Installs what is missing, builds, and starts Murkmoot: the oracle chamber in a window when a
# display is available, otherwise one consultation in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DMURKMOOT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/bin/Murkmoot ]]; then
  exec build/bin/Murkmoot
fi
cd build/bin
exec ./MurkmootCli
