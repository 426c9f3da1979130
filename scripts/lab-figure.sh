#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws docs/lab-windows.png: the efficiency of Go-back-N and Selective Repeat
# ARQ against the window size, without loss and with 5 % loss on the wire,
# measured by linkdemo-sweep (mean of 10 seeds, 10 simulated minutes each)
# beside the theory. With L = 4 and R = 1 a packet takes t_f = 1 s to send,
# so the goodput in packets per second is the efficiency (goodput x t_f).
# Needs gnuplot; run through `scripts/dev.sh figure`.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sweep="${1:-$root/build/src/app/linkdemo-sweep}"
out="${2:-$root/docs/lab-windows.png}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$sweep" --scenarios "Go-back-N ARQ,Selective Repeat ARQ" --window 1-6 --loss 0,0.05 --seeds 1-10 \
    --seconds 600 --output "$work/runs.csv"

# One line per scenario, loss and window: mean measured and theory.
awk -F, 'NR > 1 {
    key = $1 "," $7 "," $3
    u[key] += $24; t[key] = $27; n[key]++
} END {
    for (k in u) print k "," u[k] / n[k] "," t[k]
}' "$work/runs.csv" | sort -t, -k1,1 -k2,2n -k3,3n >"$work/means.csv"

for s in GBN SR; do
    name='"Go-back-N ARQ"'
    [ "$s" = SR ] && name='"Selective Repeat ARQ"'
    for loss in 0 0.05; do
        awk -F, -v n="$name" -v l="$loss" '$1 == n && $2 == l { print $3, $4, $5 }' "$work/means.csv" \
            >"$work/$s-$loss.dat"
    done
done

gnuplot <<GNUPLOT
set terminal pngcairo size 800,520 font "DejaVu Sans,11"
set output "$out"
set title "Efficiency against the window (direct link, L = 4, R = 1, D = 2 s: t_f = 1 s, A = 5.25)"
set xlabel "window W"
set ylabel "goodput x t_f"
set xrange [0.7:6.3]
set yrange [0:1.05]
set xtics 1
set grid
set key left top
plot "$work/GBN-0.dat" using 1:2 with linespoints lw 2 pt 7 lc rgb "#1f77b4" title "either, no loss, measured", \
     "$work/GBN-0.dat" using 1:3 with lines dt 2 lw 2 lc rgb "#1f77b4" title "either, no loss, theory", \
     "$work/GBN-0.05.dat" using 1:2 with linespoints lw 2 pt 5 lc rgb "#d62728" title "Go-back-N, 5 % loss, measured", \
     "$work/GBN-0.05.dat" using 1:3 with lines dt 2 lw 2 lc rgb "#d62728" title "Go-back-N, 5 % loss, theory", \
     "$work/SR-0.05.dat" using 1:2 with linespoints lw 2 pt 9 lc rgb "#2ca02c" title "Selective Repeat, 5 % loss, measured", \
     "$work/SR-0.05.dat" using 1:3 with lines dt 2 lw 2 lc rgb "#2ca02c" title "Selective Repeat, 5 % loss, theory"
GNUPLOT
echo "wrote $out"
