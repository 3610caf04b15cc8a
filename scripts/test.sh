#!/usr/bin/env bash
# Builds the library, the stand-ins, the signed fixtures and the tests, checks the library's sources
# with clang-tidy (scripts/lint.sh), then runs the whole test suite under Wine in the build's own
# prefix. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset mingw
cmake --build --preset mingw
scripts/lint.sh build/mingw
scripts/prefix-setup.sh build/mingw
# The Wine server and its services were started with their output on /dev/null; end them when
# the run ends so nothing outlives it.
trap 'WINEPREFIX="$PWD/build/mingw/wineprefix" wineserver -k >/dev/null 2>&1 || true' EXIT
ctest --preset mingw
