# Shared by the window end-to-end tests: a scratch directory, an Xvfb display and the program
# started in it, all cleaned up at exit, and the checks the tests make. Source it; it sets
# `work`, `display`, `game_pid` and an EXIT trap.

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [[ -n "$game_pid" ]] && kill "$game_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- stdout" >&2; tail -n 40 "$work/out.txt" >&2 || true
  echo "--- log" >&2; tail -n 20 "$work/start/log.txt" >&2 || true
  exit 1
}
expect_file_line_count() { # file count what
  local lines
  lines=$(wc -l < "$1")
  [[ "$lines" -eq "$2" ]] || fail "$3: expected $2 pool values, found $lines"
}
wait_for() { # pattern file seconds
  for _ in $(seq 1 $(( $3 * 10 ))); do
    grep -qa -- "$1" "$2" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "timed out waiting for '$1' in $(basename "$2")"
}

# Starts Xvfb with a screen of the size given (default 1920x1080) on a display number of its own,
# and exports DISPLAY (and silent audio) for what follows.
start_display() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${1:-1920x1080}x24" -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 1 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  display=$(cat "$work/display")
  [[ -n "$display" ]] || fail "Xvfb did not start"
  export DISPLAY=":$display" SDL_AUDIODRIVER=dummy
}

stop_display() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}

# Starts the program copied to app/ through PATH from start/, and waits for its window.
start_game() {
  rm -f "$work/start/log.txt" # the last run's, so that its lines are not taken for this one's
  (cd "$work/start" && PATH="$work/app:$PATH" exec Murkmoot > "$work/out.txt" 2> "$work/err.txt") &
  game_pid=$!
  wait_for "Scene pushed: Deskhive" "$work/start/log.txt" 20
  xdotool search --sync --name "~ Murkmoot ~" > /dev/null
  sleep 0.5
}

# Presses Escape and checks that the program ends well.
quit_game() {
  xdotool key Escape
  for _ in $(seq 1 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$game_pid" 2>/dev/null || fail "still running 10 s after Escape"
  wait "$game_pid" || fail "the program exited with status $?"
  game_pid=""
  [[ "$(tail -n 1 "$work/start/log.txt")" == *"Zadadezaz application exiting."* ]] || fail "last log line"
}
