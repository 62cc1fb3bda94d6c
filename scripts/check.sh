#!/usr/bin/env bash
# Static checks: every C++ file formatted as .clang-format says, and clang-tidy clean on the
# program's own code (src/). Needs a configured build directory for its compile commands.
#   scripts/check.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests tools -name '*.cpp' -o -name '*.h')
fi
clang-format --dry-run --Werror "${files[@]}"
echo "clang-format: ${#files[@]} files formatted"

if ! report=$(clang-tidy -p "$build" --quiet src/*/*.cpp 2>&1); then
    grep -v 'warnings generated' <<<"$report"
    exit 1
fi
echo "clang-tidy: src/ is clean"
