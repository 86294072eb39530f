#!/usr/bin/env bash
# The oracle chamber in a real window under Xvfb, driven with xdotool as a player would: type a
# question, hover and click the Ask button, ask again with Return, be refused by a low pool, refill
# it with MurkmootPool and ask again, hold Return and an arrow, press Return twice quickly, consult
# beside terminal programs, right-click and idle, quit with Escape while another process holds the
# pool. Checks standard output, the pool file and the log.
#
# usage: window_e2e.sh <Murkmoot binary> <MurkmootCli binary> <MurkmootPool binary> <Assets dir>
#                      [screenshot.png]
set -euo pipefail
binary=$1
cli=$2
pool_tool=$3
assets=$4
screenshot=${5:-}

source "$(dirname "$0")/lib.sh"
brightness() { # x y w h of the current screen
  import -display ":$display" -window root "$work/shot.png"
  convert "$work/shot.png" -crop "$3x$4+$1+$2" -colorspace Gray -format "%[fx:mean]" info:
}

# The program lives in app/ and is started through PATH from start/.
mkdir -p "$work/app" "$work/start"
cp "$binary" "$work/app/Murkmoot"
cp -r "$assets" "$work/app/Assets"
pool=$work/app/Assets/Data/entropy_pool.txt
{
  for i in $(seq 0 24); do echo $((100 + i * 7)); done      # later runs draw from here
  printf '%s\n' 8 5 7 13 13 -1 1234 42 16 9 20 12 0 7 3     # the first question's 13 draws
  echo 2                                                   # set-up draw: even, the plain goblin
} > "$pool"

start_display
# An accented letter of its own on a spare key, so typing it needs no remapping mid-test
# (-noreset above keeps the mapping after xmodmap disconnects).
xmodmap -e "keycode 255 = eacute Eacute"

start_game
grep -qx "WINDOW:  1920x1080" "$work/out.txt" || fail "the window should open at 1920x1080 on a 1920x1080 screen"

expect_file_line_count "$pool" 40 "after set-up"
grep -qa "Selected portrait ID: firstGoboPortrait" "$work/start/log.txt" || fail "even draw should pick the plain goblin"
[[ ! -e "$work/app/log.txt" ]] || fail "the log belongs in the starting directory"

# Type into the question box (logical 300..3565 x 1840..2060, half that in window pixels).
xdotool mousemove 600 975 click 1
sleep 0.2
xdotool type --delay 30 "Will it rain, café?"
sleep 0.3

# Hovering the Ask button shows its tooltip: the area left of the button brightens.
before=$(brightness 1640 1000 280 60)
xdotool mousemove 1850 975
sleep 0.5
during=$(brightness 1640 1000 280 60)
awk -v b="$before" -v d="$during" 'BEGIN { exit !(d > b + 0.05) }' || fail "no tooltip over the Ask button ($before -> $during)"

xdotool click 1
wait_for "Final Verdict: " "$work/out.txt" 10
grep -qa "Running oracle with question: Will it rain, café?" "$work/start/log.txt" ||
  fail "accented question not logged: $(grep -a 'Running oracle with question' "$work/start/log.txt")"
grep -qa -- "- Bogwort (wades knee-deep in secrets.)" "$work/out.txt" || fail "roster"
grep -qa "Bogwort (9)  wades knee-deep in secrets.  barks: \"Absolutely  carved into damp stone long ago.\"" "$work/out.txt" || fail "vote text"
grep -qa "Consensus Core: Perhaps" "$work/out.txt" || fail "consensus"
grep -qa "Final Verdict: Perhaps  until the moon cracks and spills its silver." "$work/out.txt" || fail "verdict"
expect_file_line_count "$pool" 27 "after the first question"
[[ "$(tail -n 2 "$pool" | tr '\n' ' ')" == "8 5 " ]] || fail "the pool should end with 8 and 5"

sleep 2.5 # let the reveal finish
if [[ -n "$screenshot" ]]; then
  xdotool mousemove 1300 700
  sleep 0.3
  import -window root "$screenshot"
fi

# The question is in the player's journal beside the log; F2 lays the past answers over the
# result area (window 450..1600 x 250..850) and F2 again takes them away.
grep -qa '"program":"Murkmoot","question":"Will it rain, café?"' "$work/start/journal.jsonl" ||
  fail "the consultation should be in the journal"
xdotool mousemove 1300 700
sleep 0.3
before=$(brightness 500 300 1000 500)
xdotool key F2
sleep 0.5
during=$(brightness 500 300 1000 500)
if [[ -n "$screenshot" ]]; then import -window root "${screenshot%.png}-past-answers.png"; fi
xdotool key F2
sleep 0.5
after=$(brightness 500 300 1000 500)
awk -v b="$before" -v d="$during" -v a="$after" 'BEGIN { exit !((d - b > 0.01 || b - d > 0.01) && a - b < 0.002 && b - a < 0.002) }' ||
  fail "F2 should open and close the past answers ($before -> $during -> $after)"

# Keyboard alone: Return confirms the selected button.
xdotool key Return
wait_for "Oracle result - Council: 5" "$work/start/log.txt" 10
for _ in $(seq 1 30); do [[ $(grep -ac "Final Verdict: " "$work/out.txt") -eq 2 ]] && break; sleep 0.1; done
expect_file_line_count "$pool" 14 "after the second question"

# Fourteen values cannot carry a whole consultation: the council rests.
xdotool key Return
wait_for "Failed to load entropy pool for size check" "$work/start/log.txt" 10
expect_file_line_count "$pool" 14 "after the refusal"

# MurkmootPool refills the pool while the window stays open: the new values go in front, the
# old ones keep their turn at the end.
cp "$pool" "$work/old_pool.txt"
added=$("$pool_tool" fill 100 --pool "$pool") || fail "fill failed: $added"
[[ "$added" == "Added 100 values; the pool now holds 114." ]] || fail "fill said: $added"
cmp -s <(tail -n 14 "$pool") "$work/old_pool.txt" || fail "the old values should keep their turn at the end"
cp "$pool" "$work/filled_pool.txt"

# Holding Return asks once however long the key repeats; a held arrow keeps moving the selection;
# separate presses, even quick ones, each ask.
asks() { grep -ac "Final Verdict: " "$work/out.txt"; }
asked=$(asks)
xdotool keydown Return
sleep 1
xdotool keyup Return
wait_for "Key repeat ignored for action: confirm" "$work/err.txt" 5
for _ in $(seq 1 30); do [[ $(asks) -gt $asked ]] && break; sleep 0.1; done
sleep 0.5
[[ $(asks) -eq $((asked + 1)) ]] || fail "a held Return asked $(( $(asks) - asked )) times"
left=$(wc -l < "$pool")
[[ $left -eq 101 || $left -eq 100 ]] || fail "a held Return spent $((114 - left)) pool values"
# Without a restart, the question drew the old values first: the refill is all still there.
cmp -s <(head -n 100 "$pool") <(head -n 100 "$work/filled_pool.txt") || fail "the refill should be untouched"
moves() { grep -ac "FOUND action: navigate_down" "$work/err.txt" || true; }
moved=$(moves)
xdotool keydown Down
sleep 1
xdotool keyup Down
[[ $(moves) -gt $((moved + 1)) ]] || fail "a held arrow moved once"
! grep -qa "Key repeat ignored for action: navigate_down" "$work/err.txt" || fail "the arrow's repeats were ignored"
asked=$(asks)
xdotool key --delay 80 Return Return
for _ in $(seq 1 50); do [[ $(asks) -eq $((asked + 2)) ]] && break; sleep 0.1; done
[[ $(asks) -eq $((asked + 2)) ]] || fail "two quick presses asked $(( $(asks) - asked )) times"

# The window and terminal programs consult one pool at the same time: no value is handed out
# twice, and the file loses exactly one line per draw, from its end.
seq 5000 5999 > "$pool"
reports_before=$(asks)
window_out_lines=$(wc -l < "$work/out.txt")
for terminal in 1 2 3; do
  (for run in 1 2 3; do echo q | (cd "$work/app" && exec "$cli") > "$work/cli.$terminal.$run" 2>&1; done) &
done
for _ in 1 2 3; do xdotool key Return; sleep 0.4; done
wait $(jobs -p | grep -v "^$game_pid$" | grep -v "^$xvfb_pid$") 2>/dev/null || true
for _ in $(seq 1 50); do [[ $(asks) -ge $((reports_before + 3)) ]] && break; sleep 0.1; done
[[ $(asks) -eq $((reports_before + 3)) ]] || fail "the window answered $(( $(asks) - reports_before )) of 3 questions"
tail -n +"$((window_out_lines + 1))" "$work/out.txt" > "$work/window.reports"
drawn=0
for report in "$work/window.reports" "$work"/cli.*; do
  verdicts=$(grep -ac "Final Verdict: " "$report" || true)
  overrides=$(grep -ac "Puddingbrain overrides" "$report" || true)
  drawn=$((drawn + verdicts * 13 + overrides))
done
[[ $drawn -ge $((12 * 13)) ]] || fail "only $drawn values drawn by 12 consultations"
cmp -s "$pool" <(seq 5000 $((5999 - drawn))) || fail "the pool is not what was left after $drawn draws"
shown=$(cat "$work/window.reports" "$work"/cli.* | grep -aoE '^[^(]+ \((-?[0-9]+)\)( |$)' | grep -aoE '\((-?[0-9]+)\)' | sort)
[[ $(wc -l <<< "$shown") -eq 60 ]] || fail "expected 60 votes, found $(wc -l <<< "$shown")"
[[ -z $(uniq -d <<< "$shown") ]] || fail "values handed out twice: $(uniq -d <<< "$shown" | tr '\n' ' ')"
echo "window and terminals together: $drawn values drawn by 12 consultations, none twice"

# A right click leaves the button undrawn until the pointer moves; its per-frame complaint is
# written with the frame, and an idle chamber draws no frames: five idle seconds add next to
# nothing to the log.
sleep 2.5 # the reveal's own lines settle
xdotool mousemove 1850 975 click 3
wait_for "Right click action executed." "$work/start/log.txt" 5
sleep 0.5
before=$(wc -l < "$work/start/log.txt")
sleep 5
after=$(wc -l < "$work/start/log.txt")
[[ $((after - before)) -le 2 ]] || fail "the log grew by $((after - before)) lines in 5 idle seconds"
[[ $(grep -ac "ButtonEntity is not visible or no texture found for rendering" "$work/start/log.txt") -eq 1 ]] ||
  fail "the undrawn button's line should be written once"

# Another program holds the pool: the window keeps its last count and still answers Escape.
flock -o "$work/app/Assets/Data/.entropy_pool.txt.lock" sleep 60 & # -o: killing flock lets go
holder=$!
sleep 1
quit_game
kill "$holder"
stop_display

# Smaller screens: the window opens at the largest 16:9 size that fits, all of it on screen, and
# the Ask button answers a click where the player sees it. On the second screen another program
# holds the pool as the window opens: it opens all the same, and draws its portrait once the pool
# is free. A window started under a held pool answers Escape.
ask_where_seen() { # screen width, screen height
  local X Y WIDTH HEIGHT
  eval "$(xdotool search --name "~ Murkmoot ~" getwindowgeometry --shell | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  ((X >= 0 && Y >= 0 && X + WIDTH <= $1 && Y + HEIGHT <= $2)) || fail "window at $X,$Y ${WIDTH}x$HEIGHT off a $1x$2 screen"
  grep -qx "WINDOW:  ${WIDTH}x$HEIGHT" "$work/out.txt" || fail "the window reports a size it does not have"
  if [[ -n "$screenshot" ]]; then
    import -window root "${screenshot%.png}-$1x$2.png"
    xdotool key F2 # the past answers fit too; the click below closes them
    sleep 0.3
    import -window root "${screenshot%.png}-$1x$2-past-answers.png"
  fi
  # The Ask button's centre is at logical (3707, 1950) of 3840 x 2160.
  xdotool mousemove $((X + 3707 * WIDTH / 3840)) $((Y + 1950 * HEIGHT / 2160)) click 1
  wait_for "Final Verdict: " "$work/out.txt" 10
}
seq 1 100 > "$pool"
start_display 1366x768
start_game
grep -qx "WINDOW:  1360x765" "$work/out.txt" || fail "1366x768 screen: $(grep -a WINDOW: "$work/out.txt")"
ask_where_seen 1366 768
quit_game
stop_display

seq 1 100 > "$pool"
start_display 1280x720
flock -o "$work/app/Assets/Data/.entropy_pool.txt.lock" sleep 60 & # -o: killing flock lets go
holder=$!
sleep 0.5
start_game
expect_file_line_count "$pool" 100 "while another program holds the pool"
kill "$holder"
for _ in $(seq 1 50); do [[ $(wc -l < "$pool") -eq 99 ]] && break; sleep 0.1; done
expect_file_line_count "$pool" 99 "once the pool is free (the portrait's draw)"
ask_where_seen 1280 720
flock -o "$work/app/Assets/Data/.entropy_pool.txt.lock" sleep 60 & # -o: killing flock lets go
holder=$!
quit_game
stop_display
start_display 1280x720
start_game
quit_game
kill "$holder"
echo "window end-to-end test passed"
