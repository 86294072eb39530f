#!/usr/bin/env bash
# Writes a fresh entropy pool: COUNT signed 32-bit integers from the system's random source,
# one decimal per line. Usage: tools/make_entropy_pool.sh [COUNT] [FILE]
# Run it while neither program is consulting the pool.
set -euo pipefail
count=${1:-100000}
file=${2:-Assets/Data/entropy_pool.txt}
tmp=$(mktemp "$(dirname "$file")/.entropy_pool.XXXXXX")
od -An -v -t d4 -N $((count * 4)) /dev/urandom | tr -s ' ' '\n' | sed '/^$/d' > "$tmp"
chmod 644 "$tmp"
mv "$tmp" "$file"
echo "wrote $(wc -l < "$file") values to $file"
