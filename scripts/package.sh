#!/usr/bin/env bash
# Builds the Debian package for the classroom machines:
# build-package/soinsuu_<version>_amd64.deb, with Debian's own compiler and
# linker hardening flags.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# CMake reads CXXFLAGS but not CPPFLAGS, where the fortify flag lies.
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
cmake -S "$root" -B "$root/build-package" -DCMAKE_BUILD_TYPE=Release -DSOINSUU_TESTS=OFF -DSOINSUU_BENCH=OFF
cmake --build "$root/build-package" -j"$(nproc)"
(cd "$root/build-package" && cpack -G DEB)
ls -l "$root"/build-package/soinsuu_*_amd64.deb
