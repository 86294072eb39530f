#!/usr/bin/env bash
# The windowed program on SDL's dummy drivers: it starts, reports its real sizes, ends cleanly on
# SIGTERM (SDL turns it into a quit event), opens without its icon, and stops early without audio
# or without music.
#
# usage: program_headless.sh <Murkmoot binary> <Assets dir>
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/out.txt" "$work/start/log.txt" >&2; exit 1; }
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software # the dummy driver has no accelerated one
unset DISPLAY WAYLAND_DISPLAY # an error must not wait in a message box

# run <binary> <Assets> <asset to remove or ""> [VAR=value...]: a fresh copy of the program (SDL
# finds the assets beside the real executable) with a pool, started from start/ until it has set
# up or ended, then sent SIGTERM; returns its exit status.
run() {
  rm -rf "$work/app" "$work/start" && mkdir -p "$work/app" "$work/start"
  cp "$1" "$work/app/Murkmoot" && cp -r "$2" "$work/app/Assets" && seq 100 140 > "$work/app/Assets/Data/entropy_pool.txt"
  [[ -z "$3" ]] || rm "$work/app/$3"
  (cd "$work/start" && exec env "${@:4}" "$work/app/Murkmoot" > "$work/out.txt" 2>&1) &
  local pid=$!
  for _ in $(seq 300); do
    grep -qa "Scene pushed: Deskhive" "$work/start/log.txt" 2>/dev/null || ! kill -0 "$pid" 2>/dev/null && break
    sleep 0.1
  done
  sleep 0.3 # a few frames
  kill -TERM "$pid" 2>/dev/null && asked_to_end=yes || asked_to_end=no # no: it had ended on its own
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null && fail "the program did not end within 10 s of SIGTERM"
  wait "$pid"
}

run "$1" "$2" "" || fail "the program exited with status $?"
[[ $asked_to_end == yes ]] || fail "the chamber should stay open until it is asked to end"
# The dummy display is 1024x768: the window takes the largest 16:9 size that fits.
grep -qx "WINDOW:  1024x576" "$work/out.txt" && grep -qx "OUTPUT:  1024x576" "$work/out.txt" || fail "sizes"
[[ "$(tail -n 1 "$work/start/log.txt")" == *"Zadadezaz application exiting."* ]] || fail "last log line"
! grep -qa "Window resized" "$work/start/log.txt" || fail "no resize happened"
[[ "$(seq 100 139)" == "$(cat "$work/app/Assets/Data/entropy_pool.txt")" ]] || fail "only the portrait draw"
! grep -qa "window icon" "$work/start/log.txt" || fail "the window icon should load"

# Without its icon the chamber still opens; the log says what is missing.
run "$1" "$2" Assets/Image/Icon/murkmoot-256.png || fail "without the icon: exit status $?"
grep -qa "Could not load the window icon" "$work/start/log.txt" || fail "a missing icon should be logged"

# Without SDL audio, without a device for the mixer, or without music it ends with a failing
# status after the last step that still worked.
while IFS='|' read -r missing environment last_step; do
  run "$1" "$2" "$missing" $environment && fail "$environment $missing: exit status 0"
  [[ "$(grep -a "INFO\]" "$work/start/log.txt" | tail -n 1)" == *"$last_step"* ]] ||
    fail "$environment $missing: should stop after '$last_step'"
done <<'TABLE'
|SDL_AUDIODRIVER=nosuch|EntityFactory assetRoot set to:
|SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/nonexistent/audio|EntityFactory assetRoot set to:
Assets/Sound/Music/GoblinDripJam.wav||Updated working directory to executable location:
TABLE
