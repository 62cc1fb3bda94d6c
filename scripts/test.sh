#!/usr/bin/env bash
# Builds the program and every test, then runs them all. Tests that need a display start
# their own virtual X server, so this works the same with or without a desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --tests

cmake -S . -B build -DBUILD_TESTING=ON >/dev/null
cmake --build build --parallel
ctest --test-dir build --output-on-failure --no-tests=error --parallel 2
