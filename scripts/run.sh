#!/usr/bin/env bash
# Builds the program and runs it. Arguments go to the program (and so to GLUT).
# Without a display, the window is drawn on a virtual X server instead and saved as a PNG file.
set -euo pipefail
cd "$(dirname "$0")/.."

headless=()
[ -z "${DISPLAY:-}" ] && headless=(--headless)
scripts/deps.sh "${headless[@]}"

cmake -S . -B build >/dev/null
cmake --build build --parallel --target rosette ${headless:+rosette-screenshot}

if [ -n "${DISPLAY:-}" ]; then
    exec build/rosette "$@"
fi

echo "No display (DISPLAY is not set): drawing the window on a virtual X server instead."
screenshot="$PWD/build/rosette.png"
build/tools/screenshot/rosette-screenshot "$screenshot" build/rosette "$@"
echo "Saved a screenshot of the window: $screenshot"
