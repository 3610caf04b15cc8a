#!/usr/bin/env bash
# Builds the library, the benchmark and its signed SDK files, prepares a Wine prefix of the
# benchmark's own and runs the benchmark in it: a table of timings that ends with the line
# "ratio cold=<x> warm=<y>". Safe to run again.
#
# Usage: scripts/bench.sh [build-folder] [benchmark options...]
#   build-folder  default build/mingw; the prefix is <build-folder>/bench-prefix
#   options       passed to benchmark.exe, e.g. --cold-runs 81 (benchmark.exe --help lists them)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/mingw
if [ $# -gt 0 ] && [[ "$1" != --* ]]; then
    build=$1
    shift
fi
prefix=$PWD/$build/bench-prefix

scripts/install-deps.sh
cmake --preset mingw -B "$build" >/dev/null
# Two jobs at most: the build machines' cores are shared.
cmake --build "$build" -j2 --target benchmark bench_fixtures trustroot
scripts/prefix-setup.sh "$build" "$prefix"
# The Wine server and its services were started with their output on /dev/null; end them when
# the run ends so nothing outlives it.
trap 'WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true' EXIT

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
     "$(free -g | awk '/^Mem:/ { print $2 }') GB RAM; $(wine --version 2>/dev/null); load $(cut -d' ' -f1-3 /proc/loadavg)"
DTTSC_WINEPREFIX="$prefix" "$build/wine-run.sh" "$build/bin/benchmark.exe" "$@"
