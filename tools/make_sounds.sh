#!/bin/bash
# Synthesises the windowed program's sounds with SoX (Debian: sox):
#   Assets/Sound/Music/GoblinDripJam.wav       24 s seamless loop: cave drips over a low drone
#   Assets/Sound/Button/askButtonClickSound.wav a short stony knock for the Ask button
# Every noise source is seeded (sox -R) and nothing is dithered (-D), so a rerun on the same SoX
# version rebuilds the same files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
music="$root/Assets/Sound/Music/GoblinDripJam.wav"
click="$root/Assets/Sound/Button/askButtonClickSound.wav"

if ! command -v sox >/dev/null 2>&1; then
    echo "sox not found (apt-get install sox)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

RATE=44100
LOOP=24        # loop length in seconds; every periodic part completes whole cycles in it
TAIL=4         # room for echoes that run past the loop end; folded back onto the start

sx() { sox -R -D -V1 "$@"; }
# silence <seconds> <file>
silence() { sx -n -r $RATE -c 1 -b 32 -e floating-point "$2" trim 0 "$1"; }

# --- Drone -----------------------------------------------------------------------------------
# A1 with its sub-octave, fifth and octave, each a whole number of cycles in 24 s (27.5, 55,
# 82.5 and 110 Hz x 24 s are integers), swelling with a 6 s tremolo (4 whole cycles), so the
# drone joins itself without a seam. The filter starts from rest, so three loops are rendered
# and the middle one is kept: its start and end meet the filter in the same state.
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/drone3.wav" \
    synth $((LOOP * 3)) sine 27.5 sine 55 sine 82.5 sine 110 remix 1v0.8,2v1,3v0.6,4v0.35 \
    lowpass 400 tremolo 0.25 35 vol 0.8
sx "$work/drone3.wav" "$work/drone.wav" trim $LOOP $LOOP

# --- Cave air --------------------------------------------------------------------------------
# Seeded brown noise, low-passed; the last 2 s are crossfaded (equal power) into the first 2 s.
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/air_long.wav" \
    synth $((LOOP + 2)) brownnoise lowpass 300 highpass 30 vol 0.35
sx "$work/air_long.wav" "$work/air_in.wav" trim 0 2 fade q 2
sx "$work/air_long.wav" "$work/air_out.wav" trim $LOOP 2 fade q 0 2 2
sx -m -v 1 "$work/air_in.wav" -v 1 "$work/air_out.wav" "$work/air_seam.wav"
sx "$work/air_long.wav" "$work/air_body.wav" trim 2 $((LOOP - 2))
sx "$work/air_seam.wav" "$work/air_body.wav" "$work/air.wav"

# --- Drips -----------------------------------------------------------------------------------
# A drop is a short sine that glides upward (the ringing of the bubble it leaves), tuned to the
# A minor pentatonic so the drips play a slow tune over the drone.
# drip <name> <end frequency> <length>
drip() {
    local f=$2 len=$3
    local start
    start=$(awk -v f="$f" 'BEGIN { printf "%d", f * 0.62 }')
    sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/$1.wav" \
        synth "$len" sine "$start-$f" fade q 0.003 "$len" "$(awk -v l="$len" 'BEGIN { print l - 0.01 }')" \
        vol 0.55
    # a fast exponential-like decay: two stacked fades
    sx "$work/$1.wav" "$work/$1_d.wav" fade t 0 "$len" "$(awk -v l="$len" 'BEGIN { print l * 0.9 }')"
    mv "$work/$1_d.wav" "$work/$1.wav"
}
drip dA 880 0.16
drip dC 1046.5 0.14
drip dD 1174.7 0.13
drip dE 1318.5 0.12
drip dG 1568 0.11
drip dA2 1760 0.10
drip dLow 440 0.22

# A heavier drop falling into the pool marks the start of each 6 s phrase: a low rising bloop
# over a soft thump.
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/bloop.wav" \
    synth 0.14 sine 260-560 fade q 0.004 0.14 0.12 vol 0.6
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/thump.wav" \
    synth 0.35 sine 95-55 fade q 0.003 0.35 0.32 vol 0.5
sx -m -v 1 "$work/bloop.wav" -v 1 "$work/thump.wav" "$work/plunk.wav"

# place <file> <seconds> <gain>: the file delayed to its time in the loop
n=0
parts=()
place() {
    n=$((n + 1))
    sx "$work/$1.wav" "$work/p$n.wav" vol "$3" pad "$2" 0
    parts+=("$work/p$n.wav")
}
place plunk 0.00 1.0
place dE    0.70 0.9
place dD    1.55 0.6
place dA    2.40 1.0
place dG    4.10 0.5
place dE    4.55 0.7
place plunk 6.00 0.9
place dC    6.80 0.9
place dA    7.35 0.6
place dLow  8.90 0.8
place dD    10.20 0.7
place dE    10.62 0.5
place plunk 12.00 1.0
place dA2   12.75 0.5
place dG    13.30 0.8
place dE    14.05 0.9
place dD    15.90 0.6
place dA    16.35 0.9
place plunk 18.00 0.9
place dC    18.70 0.7
place dLow  19.60 0.6
place dE    20.95 0.8
place dA    21.80 0.5
place dG    22.90 0.4
silence $((LOOP + TAIL)) "$work/bed.wav"
sx -m -v 1 "$work/bed.wav" $(for p in "${parts[@]}"; do echo "-v 1 $p"; done) "$work/drips_dry.wav" \
    trim 0 $((LOOP + TAIL))
# The cave: a long, wet reverb; stereo-free (the mixer spreads mono to both speakers).
sx "$work/drips_dry.wav" "$work/drips_wet.wav" reverb 70 50 100 100 20 0 \
    remix 1 trim 0 $((LOOP + TAIL))
# Fold the echoes that ring past the loop end back onto its start.
sx "$work/drips_wet.wav" "$work/drips_main.wav" trim 0 $LOOP
sx "$work/drips_wet.wav" "$work/drips_tail.wav" trim $LOOP $TAIL pad 0 $((LOOP - TAIL))
sx -m -v 1 "$work/drips_main.wav" -v 1 "$work/drips_tail.wav" "$work/drips.wav"

# --- Mix ---------------------------------------------------------------------------------------
mkdir -p "$(dirname "$music")" "$(dirname "$click")"
sx -m -v 0.55 "$work/drone.wav" -v 0.5 "$work/air.wav" -v 0.9 "$work/drips.wav" "$work/mix.wav"
sx "$work/mix.wav" -r $RATE -b 16 -e signed-integer -c 1 "$music" gain -n -1
echo "wrote $music ($(soxi -D "$music") s)"

# --- Click -------------------------------------------------------------------------------------
# A knock of stone on stone: a short band-passed noise burst (the contact), a falling low tone
# (the body of the stone) and a dry little room.
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/k_hit.wav" \
    synth 0.05 whitenoise bandpass 1800 1.2q fade q 0.001 0.05 0.045
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/k_body.wav" \
    synth 0.16 sine 260-150 fade q 0.002 0.16 0.15
sx -n -r $RATE -c 1 -b 32 -e floating-point "$work/k_tock.wav" \
    synth 0.06 sine 820-700 fade q 0.001 0.06 0.055
sx -m -v 0.7 "$work/k_hit.wav" -v 1 "$work/k_body.wav" -v 0.5 "$work/k_tock.wav" "$work/k_dry.wav" \
    lowpass 4500
sx "$work/k_dry.wav" "$work/k_wet.wav" pad 0 0.15 reverb 25 60 30 100 0 0 remix 1 trim 0 0.3 \
    fade q 0 0.3 0.12
sx "$work/k_wet.wav" -r $RATE -b 16 -e signed-integer -c 1 "$click" gain -n -1
echo "wrote $click ($(soxi -D "$click") s)"
