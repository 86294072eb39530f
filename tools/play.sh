#!/usr/bin/env bash
# Installs what is missing, builds, and starts Murkmoot: the oracle chamber in a window when a
# display is available, otherwise one consultation in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DMURKMOOT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/bin/Murkmoot ]]; then
  # The chamber needs an audio device; on a machine without one it plays silently.
  if [[ ! -e /dev/snd && ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" && -z "${SDL_AUDIODRIVER:-}" ]]; then
    export SDL_AUDIODRIVER=dummy
  fi
  exec build/bin/Murkmoot
fi
cd build/bin
exec ./MurkmootCli
