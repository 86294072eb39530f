#!/usr/bin/env bash
# What the open chamber costs, for an older build of the windowed program and this one, in one run
# on this machine, each in its own Xvfb screen of 1920x1080: per cent of one core while idle with
# the question box unfocused, idle with it focused (the caret blinks), and hidden (the window
# unmapped); then a consultation asked with Return: frames per second during its reveal and when
# each result label first appears after the key; and frames per second while typing quickly.
# Not a test: it prints figures.
#
#   bench/chamber.sh [OLD_REVISION]
#
# OLD_REVISION defaults to the last revision whose chamber drew every pass of its loop. Builds go
# to build-bench/ (this tree) and build-bench-old/ (the old revision's sources and build).
# CHAMBER_SECONDS sets how long each idle state is measured (default 10).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${CHAMBER_SECONDS:-10}
old_revision=${1:-$(git -C "$root" log --diff-filter=A --format=%H -1 -- Engine/src/core/FrameLoop.cpp)^}
old_revision=$(git -C "$root" rev-parse --verify "$old_revision^{commit}")
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
build() { # source_dir build_dir
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DMURKMOOT_TESTS=OFF "${launcher[@]}" > /dev/null
  cmake --build "$2" -j"$(nproc)" --target Murkmoot > /dev/null
}
echo "building this tree and $old_revision (Release)..."
build "$root" "$root/build-bench"
old=$root/build-bench-old
if [[ "$(cat "$old/revision" 2>/dev/null)" != "$old_revision" ]]; then
  rm -rf "$old" && mkdir -p "$old/src"
  git -C "$root" archive "$old_revision" | tar -x -C "$old/src"
  echo "$old_revision" > "$old/revision"
fi
build "$old/src" "$old/build"
g++ -std=c++20 -O2 -shared -fPIC -o "$work/present_counter.so" "$root/bench/PresentCounter.cpp" -ldl

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
cpu_percent() { # pid: per cent of one core over $seconds
  local before after
  before=$(ticks "$1")
  sleep "$seconds"
  after=$(ticks "$1")
  awk -v a="$before" -v b="$after" -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN { printf "%.1f", (b - a) * 100 / hz / s }'
}
monotonic_ms() { python3 -c 'import time; print(f"{time.monotonic() * 1000:.1f}")'; }
wait_for() { # pattern file
  for _ in $(seq 1 200); do grep -qa -- "$1" "$2" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for '$1' in $2" >&2
  exit 1
}

# measure <name> <bin dir>: writes <name>.figures (unfocused focused hidden fps) and <name>.reveal
# (milliseconds from the key to each label's first frame).
measure() {
  local name=$1 bin=$2 dir=$work/$1
  mkdir -p "$dir/app" "$dir/start"
  cp "$bin/Murkmoot" "$dir/app/" && cp -r "$bin/Assets" "$dir/app/Assets"
  seq 1 2000 > "$dir/app/Assets/Data/entropy_pool.txt"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3> "$dir/display" 2> /dev/null &
  pids+=($!)
  for _ in $(seq 1 50); do [[ -s "$dir/display" ]] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$dir/display")" SDL_AUDIODRIVER=dummy
  (cd "$dir/start" && PRESENT_LOG="$dir/presents" LD_PRELOAD="$work/present_counter.so" exec "$dir/app/Murkmoot" \
    > "$dir/out.txt" 2> "$dir/err.txt") &
  local game=$!
  pids+=("$game")
  wait_for "Scene pushed: Deskhive" "$dir/start/log.txt"
  local window
  window=$(xdotool search --sync --name "~ Murkmoot ~" | head -n 1)
  xdotool mousemove 1300 700 # over no button and outside the question box
  sleep 2
  local unfocused focused hidden
  unfocused=$(cpu_percent "$game")
  xdotool mousemove 600 975 click 1 mousemove 1300 700
  sleep 1
  focused=$(cpu_percent "$game")
  xdotool windowunmap "$window"
  sleep 1
  hidden=$(cpu_percent "$game")
  xdotool windowmap "$window"
  xdotool windowfocus "$window" # mapped again, the window has lost the keyboard
  sleep 1
  local asked
  asked=$(monotonic_ms)
  xdotool key Return
  sleep 3
  wait_for "Final Verdict: " "$dir/out.txt"
  # A label appears as one or two more textures copied into the frame than in the frame before.
  # The frame on screen when the key went down is the first to compare with.
  awk -v t0="$asked" '$1 < t0 { last = $2; next } { if ($2 > last) printf "%d ", $1 - t0; last = $2 }' \
    "$dir/presents" > "$dir/reveal"
  local fps typing_fps typed_from typed_to
  fps=$(awk -v t0="$asked" '$1 >= t0 + 50 && $1 < t0 + 2050 { n++ } END { printf "%.0f", n / 2 }' "$dir/presents")
  # Typing changes the picture with every key: the frame rate while the picture keeps changing.
  typed_from=$(monotonic_ms)
  xdotool type --delay 10 "$(printf 'the moon over the marsh %.0s' $(seq 1 8))"
  typed_to=$(monotonic_ms)
  typing_fps=$(awk -v a="$typed_from" -v b="$typed_to" '$1 >= a && $1 < b { n++ } END { printf "%.0f", n * 1000 / (b - a) }' \
    "$dir/presents")
  echo "$unfocused $focused $hidden $fps $typing_fps" > "$dir/figures"
  xdotool key Escape
  wait "$game" || true
}

measure old "$old/build/bin"
measure new "$root/build-bench/bin"
read -r old_unfocused old_focused old_hidden old_fps old_typing < "$work/old/figures"
read -r new_unfocused new_focused new_hidden new_fps new_typing < "$work/new/figures"
echo
echo "chamber under Xvfb 1920x1080, $(nproc) cores; old = ${old_revision:0:7}, new = this tree"
printf '%-40s %10s %10s\n' "" old new
printf '%-40s %9s%% %9s%%\n' "CPU of one core, idle, box unfocused" "$old_unfocused" "$new_unfocused"
printf '%-40s %9s%% %9s%%\n' "CPU of one core, idle, box focused" "$old_focused" "$new_focused"
printf '%-40s %9s%% %9s%%\n' "CPU of one core, window hidden" "$old_hidden" "$new_hidden"
printf '%-40s %10s %10s\n' "frames per second during a reveal" "$old_fps" "$new_fps"
printf '%-40s %10s %10s\n' "frames per second while typing" "$old_typing" "$new_typing"
echo "labels first shown, ms after Return:"
echo "  old: $(cat "$work/old/reveal")"
echo "  new: $(cat "$work/new/reveal")"
