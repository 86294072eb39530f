#!/usr/bin/env bash
# The oracle chamber under Xvfb with too few values to ask: the council rests. MurkmootPool fill
# refills the pool while the window stays open, and the next question is answered from the old
# values first, without a restart.
#
# usage: refill_e2e.sh <Murkmoot binary> <MurkmootPool binary> <Assets dir>
set -euo pipefail
binary=$1
pool_tool=$2
assets=$3

source "$(dirname "$0")/lib.sh"

mkdir -p "$work/app" "$work/start"
cp "$binary" "$work/app/Murkmoot"
cp -r "$assets" "$work/app/Assets"
pool=$work/app/Assets/Data/entropy_pool.txt
# Fourteen values after the set-up draw: one short of a question.
{ printf '%s\n' 8 5 7 13 13 -1 1234 42 16 9 20 12 0 7; echo 2; } > "$pool"

start_display
start_game
expect_file_line_count "$pool" 14 "after set-up"
cp "$pool" "$work/old_pool.txt"

ask() {
  xdotool mousemove 1850 975 click 1
}
ask
wait_for "Failed to load entropy pool for size check" "$work/start/log.txt" 10
expect_file_line_count "$pool" 14 "after the refusal"

added=$("$pool_tool" fill 100 --pool "$pool") || fail "fill failed: $added"
[[ "$added" == "Added 100 values; the pool now holds 114." ]] || fail "fill said: $added"
cmp -s <(tail -n 14 "$pool") "$work/old_pool.txt" || fail "the old values should keep their turn at the end"
cp "$pool" "$work/filled_pool.txt"

ask
wait_for "Final Verdict: " "$work/out.txt" 10
remaining=$(wc -l < "$pool")
[[ "$remaining" -eq 100 || "$remaining" -eq 101 ]] || fail "expected 100 or 101 values after the question, found $remaining"
# The question drew the old values first: the refill is all still there.
cmp -s <(head -n 100 "$pool") <(head -n 100 "$work/filled_pool.txt") || fail "the refill should be untouched"
grep -qa "Bogwort\|Mirefang\|Squat Goblin\|Ashdribble\|Pudding Brain" "$work/out.txt" || fail "no council in the report"

quit_game
echo "refill end-to-end test passed"
