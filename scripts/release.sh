#!/usr/bin/env bash
# Makes the release package: build/release/dttscsdk-<version>-win64.zip and build/release/SHA256SUMS.
#
# The binaries come from the clang preset (CodeView symbols in PDBs, no build-machine path, no
# time stamp), built in a fresh folder from the checkout's tracked files as committed (changes not
# yet committed are included, and the script says so). SOURCE_DATE_EPOCH is the commit's time: two
# runs on one commit, in any folder, at any time, give the same bytes.
#
# Signing: with DTTSCSDK_SIGN_PFX (a PKCS#12 file) and DTTSCSDK_SIGN_PASSWORD set, dttscsdk.dll
# and tscdiag.exe are signed with Authenticode (SHA-256) before zipping; DTTSCSDK_SIGN_TIMESTAMP_URL
# may name an RFC 3161 time-stamp server (a time-stamped package is no longer reproducible).
# Without them the package is unsigned, and the script says so.
#
# Usage: scripts/release.sh [--from-build <build folder>] [output folder, default build/release]
#   --from-build  packages an existing clang build instead of making a fresh one (for tests)
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
build=""
if [ "${1:-}" = --from-build ]; then
    build=$(cd "${2:?--from-build needs a build folder}" && pwd)
    shift 2
fi
out=$(realpath -m "${1:-build/release}")

version=$(sed -n 's/^project(dttscsdk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package=dttscsdk-$version-win64
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

if [ -z "$build" ]; then
    scripts/install-deps.sh
    tree=$(git stash create)
    if [ -n "$tree" ]; then
        echo "release: the checkout has uncommitted changes; they are in this package, which" \
             "is therefore not the one commit $(git rev-parse --short HEAD) gives" >&2
    fi
    rm -rf "$out"
    mkdir -p "$out/source"
    git archive "${tree:-HEAD}" | tar -x -C "$out/source"
    build=$out/build
    (cd "$out/source" && cmake --preset clang -B "$build" -DDTTSCSDK_BUILD_TESTS=OFF >/dev/null)
    cmake --build "$build" --target dttscsdk tscdiag
fi

stage=$out/stage
rm -rf "$stage" "$out/$package.zip" "$out/SHA256SUMS"
cmake --install "$build" --prefix "$stage" >/dev/null
if [ -f "$stage/bin/DtPal.dll" ]; then
    echo "release: DtPal.dll must not be in the package" >&2
    exit 1
fi

if [ -n "${DTTSCSDK_SIGN_PFX:-}" ] && [ -n "${DTTSCSDK_SIGN_PASSWORD:-}" ]; then
    timestamp=()
    [ -z "${DTTSCSDK_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$DTTSCSDK_SIGN_TIMESTAMP_URL")
    for binary in bin/dttscsdk.dll bin/tscdiag.exe; do
        # The signing time is the commit's, so that the signed files are reproducible as well.
        osslsigncode sign -pkcs12 "$DTTSCSDK_SIGN_PFX" -readpass <(printf '%s' "$DTTSCSDK_SIGN_PASSWORD") \
            -h sha256 -time "$SOURCE_DATE_EPOCH" "${timestamp[@]}" \
            -in "$stage/$binary" -out "$stage/$binary.signed" >/dev/null
        mv -f "$stage/$binary.signed" "$stage/$binary"
    done
    echo "release: dttscsdk.dll and tscdiag.exe signed with $DTTSCSDK_SIGN_PFX"
else
    echo "release: DTTSCSDK_SIGN_PFX and DTTSCSDK_SIGN_PASSWORD are not set: the package is UNSIGNED"
fi

# The zip: entries in name order, the commit's time on each, fixed permissions, no extra fields.
python3 - "$stage" "$out/$package.zip" "$SOURCE_DATE_EPOCH" <<'PY'
import os, sys, time, zipfile
stage, target, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
names = sorted(os.path.relpath(os.path.join(folder, name), stage).replace(os.sep, "/")
               for folder, _, files in os.walk(stage) for name in files)
with zipfile.ZipFile(target, "w") as archive:
    for name in names:
        entry = zipfile.ZipInfo(name, stamp)
        entry.create_system = 3
        entry.external_attr = (0o100755 if name.endswith((".dll", ".exe")) else 0o100644) << 16
        with open(os.path.join(stage, name), "rb") as data:
            archive.writestr(entry, data.read(), zipfile.ZIP_DEFLATED, 9)
PY
(cd "$out" && sha256sum "$package.zip" >SHA256SUMS)
echo "release: $out/$package.zip"
cat "$out/SHA256SUMS"
