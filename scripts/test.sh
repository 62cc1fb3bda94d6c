#!/usr/bin/env bash
# Builds the program and every test, then runs them all: the static checks, the whole suite
# under AddressSanitizer and UndefinedBehaviorSanitizer (the soak aside), and the whole suite in
# the plain build, soak and package included. Warnings count as errors here. Tests that need a
# display start their own virtual X server, so this works the same with or without a desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --tests

echo "== build"
cmake -S . -B build -DBUILD_TESTING=ON -DROSETTE_WERROR=ON >/dev/null
cmake --build build --parallel

echo "== static checks"
scripts/check.sh build

echo "== sanitizer build: every test but the soak"
cmake -S . -B build-sanitize -DBUILD_TESTING=ON -DROSETTE_WERROR=ON -DROSETTE_SANITIZE=ON >/dev/null
cmake --build build-sanitize --parallel
ctest --test-dir build-sanitize --output-on-failure --no-tests=error --parallel 2 --label-exclude soak

echo "== plain build: every test"
ctest --test-dir build --output-on-failure --no-tests=error --parallel 2
