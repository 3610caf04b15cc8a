#!/usr/bin/env bash
# Checks a release package as its users take it, against the clang build it must equal:
#   - contents: bin/ holds the DLL, tscdiag and their PDBs and nothing else (no DtPal.dll); the
#     import library, CMake package, header, README, docs and notices are there; SHA256SUMS fits;
#   - symbols: no DWARF, the debug record names the PDB by file name, GUID and age equal the PDB's,
#     no build-machine path in any binary or PDB, an address inside each export (and tscdiag's
#     main) maps to its function, source file and line;
#   - signature: Windows (Wine, test root trusted) trusts dttscsdk.dll and tscdiag.exe;
#   - reproducible: the clang test build, made from another folder at another time, packaged the
#     same way gives the same zip, byte for byte;
#   - hosts: a consumer built with GCC and one built with clang against the unpacked package run.
# The DLL test suite is run against the packaged DLL by scripts/test.sh (DTTSC_TEST_DLL).
#
# Usage: tests/release/package_test.sh <clang build folder> <release folder> <unpacked package>
# The package must be signed (DTTSCSDK_SIGN_* set for release.sh); the same variables must be set
# here, for the second packaging.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)
release=$(cd "$2" && pwd)
package=$(cd "$3" && pwd)
failures=0
fail() { echo "package test: FAILED: $*" >&2; failures=$((failures + 1)); }
pass() { echo "package test: ok: $*"; }

version=$(sed -n 's/^project(dttscsdk VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
zip_name=dttscsdk-$version-win64.zip

# Contents.
listing=$(cd "$package" && find bin -type f | sort | tr '\n' ' ')
[ "$listing" = "bin/dttscsdk.dll bin/dttscsdk.pdb bin/tscdiag.exe bin/tscdiag.pdb " ] &&
    pass "bin/ holds $listing" || fail "bin/ holds $listing"
for file in lib/libdttscsdk.dll.a lib/cmake/dttscsdk/dttscsdkConfig.cmake \
            include/dttscsdk/dttscsdk.h share/doc/dttscsdk/README.md \
            share/doc/dttscsdk/docs/reference.md share/doc/dttscsdk/notices/libstdc++-libgcc.txt \
            share/doc/dttscsdk/notices/winpthreads.txt; do
    [ -s "$package/$file" ] || fail "$file is missing"
done
(cd "$release" && sha256sum --quiet -c SHA256SUMS) && pass "SHA256SUMS matches $zip_name" ||
    fail "SHA256SUMS does not match"

# Symbols. Prints the GUID of a debug record's bytes as the PDB names it: {b3b2b1b0-b5b4-b7b6-...}.
record_guid() {
    local b
    read -r -a b <<<"$1"
    echo "{${b[3]}${b[2]}${b[1]}${b[0]}-${b[5]}${b[4]}-${b[7]}${b[6]}-${b[8]}${b[9]}-${b[10]}${b[11]}${b[12]}${b[13]}${b[14]}${b[15]}}"
}
# symbolize <binary> <rva> <function> <source path under the repository>
symbolize() {
    local base answer
    base=$(llvm-readobj --file-headers "$1" | sed -n 's/^ *ImageBase: //p')
    # llvm-symbolizer looks for the PDB the debug record names in its working folder.
    answer=$(cd "$(dirname "$1")" && llvm-symbolizer --obj="$(basename "$1")" \
        "0x$(printf '%x' $((base + $2 + 1)))" | head -n 2 | tr '\n' ' ')
    if [[ "$answer" =~ ^$3\ C:\\dttscsdk\\(.*):([0-9]+):[0-9]+\ $ ]] &&
        [ "${BASH_REMATCH[1]//\\//}" = "$4" ] &&
        [ "${BASH_REMATCH[2]}" -ge 1 ] &&
        [ "${BASH_REMATCH[2]}" -le "$(wc -l <"$repo/$4")" ]; then
        pass "$(basename "$1") +0x$(printf '%x' "$2"): $answer"
    else
        fail "$(basename "$1") +0x$(printf '%x' "$2") gives '$answer', not $3 in $4"
    fi
}
for binary in dttscsdk.dll tscdiag.exe; do
    file=$package/bin/$binary
    pdb=$package/bin/${binary%.*}.pdb
    record=$(llvm-readobj --coff-debug-directory "$file")
    sections=$(llvm-readobj --sections "$file" | grep -c 'Name: \.debug_' || true)
    [ "$sections" -eq 0 ] && pass "$binary has no DWARF" || fail "$binary has $sections DWARF sections"
    named=$(sed -n 's/^ *PDBFileName: //p' <<<"$record")
    [ "$named" = "${binary%.*}.pdb" ] && pass "$binary names $named" || fail "$binary names '$named'"
    guid=$(record_guid "$(sed -n 's/^ *PDBGUID: (\(.*\))/\1/p' <<<"$record")")
    age=$(sed -n 's/^ *PDBAge: //p' <<<"$record")
    summary=$(llvm-pdbutil dump --summary "$pdb")
    pdb_guid=$(sed -n 's/^ *GUID: //p' <<<"$summary")
    pdb_age=$(sed -n 's/^ *Age: //p' <<<"$summary")
    [ "$guid/$age" = "$pdb_guid/$pdb_age" ] && pass "$binary and its PDB: GUID $guid, age $age" ||
        fail "$binary records $guid/$age, its PDB is $pdb_guid/$pdb_age"
    for path in "$repo" "$build"; do
        ! grep -q -a -F "$path" "$file" "$pdb" || fail "$binary or its PDB holds $path"
    done
done
while read -r rva name; do
    symbolize "$package/bin/dttscsdk.dll" "$rva" "$name" src/entry/exports.cpp
done < <(llvm-readobj --coff-exports "$package/bin/dttscsdk.dll" |
         awk '/Name: ./ { name = $2 } /RVA:/ && name { print $2, name; name = "" }')
# tscdiag's main: its public symbol gives section and offset, the section table the address.
read -r section offset < <(llvm-pdbutil dump --publics "$package/bin/tscdiag.pdb" |
    grep -A1 -E '`main`$' | sed -n 's/.*addr = \([0-9]*\):\([0-9]*\).*/\1 \2/p')
section_va=$(llvm-readobj --sections "$package/bin/tscdiag.exe" |
    awk -v n="$((10#$section))" '/Number:/ { i = $2 } /VirtualAddress:/ && i == n { print $2 }')
symbolize "$package/bin/tscdiag.exe" "$((section_va + 10#$offset))" main tools/diagnose/main.cpp

# Signature, as Windows checks it.
for binary in dttscsdk.dll tscdiag.exe; do
    answer=$("$build/wine-run.sh" "$build/bin/trustroot.exe" verify \
             "Z:${package//\//\\}\\bin\\$binary" </dev/null 2>&1) &&
        pass "$binary is trusted ($answer)" || fail "$binary is not trusted: $answer"
done

# Reproducible: the clang test build, packaged the same way.
again=$(mktemp -d "$build/package-again.XXXXXX")
trap 'rm -rf "$again"' EXIT
"$repo/scripts/release.sh" --from-build "$build" "$again" >/dev/null
if cmp -s "$release/$zip_name" "$again/$zip_name"; then
    pass "$build packaged again gives the same zip: $(cut -d' ' -f1 "$again/SHA256SUMS")"
else
    for file in $(cd "$package" && find . -type f | sort); do
        cmp -s "$package/$file" "$again/stage/$file" || fail "$file differs from $build's"
    done
    fail "$build packaged again gives another zip"
fi

# Hosts built with GCC and with clang against the unpacked package.
cmake -DBUILD_DIR="$build" -DSOURCE_DIR="$repo/tests/consumer" -DPACKAGE="$package" \
      "-DTOOLCHAINS=$repo/cmake/mingw-w64-x86_64.cmake;$repo/cmake/clang-mingw-w64-x86_64.cmake" \
      -DWINE_RUN="$build/wine-run.sh" -P "$repo/tests/consumer_test.cmake" &&
    pass "hosts built with GCC and clang against the package ran" || fail "a host failed"

[ "$failures" -eq 0 ] || { echo "package test: $failures failures" >&2; exit 1; }
echo "package test: all checks passed"
