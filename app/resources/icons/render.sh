#!/usr/bin/env bash
# Renders the icon drawings to the PNG sizes the resources hold (needs rsvg-convert).
set -euo pipefail
cd "$(dirname "$0")"
for state in active notify idle paused; do
  for px in 16 22 24 32 48 64; do rsvg-convert -w "$px" -h "$px" "$state.svg" -o "${state}_$px.png"; done
done
for px in 16 24 32 48 64 128 256; do rsvg-convert -w "$px" -h "$px" larkspan.svg -o "larkspan_$px.png"; done
