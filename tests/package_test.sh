#!/usr/bin/env bash
# Installs the program with cmake --install and as a Debian package into temporary roots, then
# starts the packaged program on a virtual X server and checks its window and picture.
#   tests/package_test.sh BUILD_DIR PROGRAM_TEST
set -euo pipefail
build=$1
program_test=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
[ -x "$work/prefix/bin/rosette" ] || fail "cmake --install did not put an executable rosette into bin/"
echo "cmake --install: bin/rosette"

(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(find "$work/package" -maxdepth 1 -name 'rosette_*.deb' | head -n 1)
[ -n "$deb" ] || fail "cpack made no Debian package"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), Depends: $depends"
for library in libglx0 libopengl0 libglu1-mesa libglut; do
    grep -q "$library" <<<"$depends" || fail "the package does not depend on $library"
done

dpkg-deb -x "$deb" "$work/root"
[ -x "$work/root/usr/bin/rosette" ] || fail "the package does not hold an executable usr/bin/rosette"
echo "package installed into a temporary root: usr/bin/rosette"

ROSETTE_UNDER_TEST="$work/root/usr/bin/rosette" "$program_test" \
    --gtest_filter='Program.OpensOneWindow*:Program.ShowsTheGreyRosette*:Program.ExitsWithStatusZero*'
