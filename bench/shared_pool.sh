#!/usr/bin/env bash
# Real processes on one pool: overlapping terminal consultations, and a 10-million-value pool
# beside `wc -l` over the same file. Not a test: it prints figures.
#
#   bench/shared_pool.sh [BIN_DIR]      (default build-bench/bin)
set -euo pipefail
bin=$(realpath "${1:-build-bench/bin}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Assets/Data"
pool=$work/Assets/Data/entropy_pool.txt
now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

echo "== 8 programs x 25 consultations, answering after 0-40 ms, on 100,000 distinct values"
seq 1 100000 > "$work/original"
cp "$work/original" "$pool"
consult() { # worker index
  for run in $(seq 1 25); do
    { sleep "0.0$((RANDOM % 40))"; echo q; } | (cd "$work" && "$bin/MurkmootCli") > "$work/out.$1.$run" 2>&1
  done
}
start=$(now_ms)
for worker in $(seq 1 8); do consult "$worker" & done
torn=0 samples=0
while [[ $(jobs -r | wc -l) -gt 0 ]]; do
  # Every state seen must be the original, cut short at a line end. Read it as the programs do,
  # under the lock: a read racing a cut may see zeros where the line was.
  flock -s "$work/Assets/Data/.entropy_pool.txt.lock" cat "$pool" > "$work/sample" 2>/dev/null || continue
  size=$(stat -c %s "$work/sample")
  if ! head -c "$size" "$work/original" | cmp -s - "$work/sample" || { [[ $size -gt 0 ]] && [[ $(tail -c 1 "$work/sample" | od -An -c | tr -d ' ') != '\n' ]]; }; then
    torn=$((torn + 1))
  fi
  samples=$((samples + 1))
done
wait
elapsed=$(($(now_ms) - start))
drawn=0
for out in "$work"/out.*; do
  if grep -q "Puddingbrain overrides" "$out"; then drawn=$((drawn + 14)); else drawn=$((drawn + 13)); fi
done
left=$(wc -l < "$pool")
expected_left=$((100000 - drawn))
head -n "$expected_left" "$work/original" > "$work/expected"
# Each vote line shows its draw: "Name (value)" right after "Name votes:".
grep -h -A1 " votes:$" "$work"/out.* | grep -oE '\(-?[0-9]+\)$' | tr -d '()' | sort > "$work/shown"
reused=$(uniq -d "$work/shown" | wc -l)
resurrected=$(comm -12 <(sort "$pool") "$work/shown" | wc -l)
echo "consultations: $(ls "$work"/out.* | wc -l), values drawn: $drawn, wall time: ${elapsed} ms"
echo "vote values handed out twice: $reused; drawn values back in the file: $resurrected"
echo "file: $left values left, $( cmp -s "$pool" "$work/expected" && echo "exactly the original cut by $drawn lines" || echo "NOT a prefix of the original")"
echo "states sampled while running: $samples, torn or not a prefix: $torn"

echo
echo "== 10,000,000 values: one whole terminal consultation beside wc -l (median of 5)"
awk 'BEGIN { srand(1); for (i = 0; i < 10000000; i++) printf "%d\n", int(rand() * 4294967296) - 2147483648 }' > "$work/big"
cp "$work/big" "$pool"
echo "file: $(stat -c %s "$pool") bytes"
for i in 1 2 3 4 5; do
  cat "$pool" > /dev/null # page cache warm for both
  s=$(now_ms); wc -l "$pool" > /dev/null; echo $(($(now_ms) - s)) >> "$work/wc"
  touch "$pool" # a file no program has seen: the first consultation reads it whole
  s=$(now_ms); (cd "$work" && echo q | "$bin/MurkmootCli" > /dev/null); echo $(($(now_ms) - s)) >> "$work/cold"
  s=$(now_ms); (cd "$work" && echo q | "$bin/MurkmootCli" > /dev/null); echo $(($(now_ms) - s)) >> "$work/warm"
done
touch "$pool"
peak=$(cd "$work" && echo q | /usr/bin/time -f %M "$bin/MurkmootCli" 2>&1 > /dev/null | tail -n 1)
echo "wc -l: $(median < "$work/wc") ms"
echo "consultation, file new to the program: $(median < "$work/cold") ms"
echo "consultation, file as the last program left it: $(median < "$work/warm") ms"
echo "peak memory of a consultation: $((peak / 1024)) MiB"
