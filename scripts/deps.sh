#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only those that are missing.
#   scripts/deps.sh            what building and running the program needs
#   scripts/deps.sh --headless ... plus the virtual X server, for machines without a display
#   scripts/deps.sh --tests    ... plus everything the tests, checks, benchmark and package need
# Nothing is refreshed or installed when all packages are present.
set -euo pipefail

packages=(g++ cmake make libgl-dev libglu1-mesa-dev freeglut3-dev libgl1-mesa-dri libx11-dev libpng-dev)
for option in "$@"; do
    case "$option" in
        --headless) packages+=(xvfb) ;;
        --tests) packages+=(xvfb libgtest-dev libbenchmark-dev clang-format clang-tidy dpkg-dev file) ;;
        *) echo "usage: $0 [--headless] [--tests]" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != "installed" ]; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null; then
    echo "These packages are missing and apt-get is not available to install them: ${missing[*]}" >&2
    exit 1
fi
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "These packages are missing; install them as root: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing missing packages: ${missing[*]}"
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
