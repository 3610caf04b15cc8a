#!/usr/bin/env bash
# Static analysis of the library's own sources (src/, include/) with clang-tidy and the checks in
# .clang-tidy. Clang parses the code for the MinGW target with the MinGW GCC's C++ headers, so this
# is also a second compiler front end over what GCC builds. Any finding or any error fails the run.
# Needs a configured build (its compile database): scripts/lint.sh [build folder, default build/mingw]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/mingw}
database="$build/compile_commands.json"
[ -f "$database" ] || { echo "lint: $database is missing; configure first (cmake --preset mingw)" >&2; exit 2; }

# The library's translation units, from the database; its headers are reached through them.
# The database's first line is the build's C++ compiler.
mapfile -t listing < <(python3 -c '
import json, shlex, sys
root = sys.argv[2]
entries = [e for e in json.load(open(sys.argv[1]))
           if e["file"].startswith(root + "/src/") and e["file"].endswith(".cpp")]
if entries:
    first = entries[0]
    print(first["arguments"][0] if "arguments" in first else shlex.split(first["command"])[0])
    print("\n".join(sorted({e["file"] for e in entries})))' "$database" "$root")
[ ${#listing[@]} -gt 1 ] || { echo "lint: no library sources in $database" >&2; exit 2; }
compiler=${listing[0]}
sources=("${listing[@]:1}")

# Clang does not find the MinGW GCC's C++ headers on its own: hand it the folders where the
# build's compiler finds them.
extra_args=(--extra-arg=--target=x86_64-w64-mingw32)
while read -r folder; do
    extra_args+=("--extra-arg=-isystem$folder")
done < <(echo | "$compiler" -xc++ -E -v - 2>&1 | sed -n 's|^ \(/.*/include/c++.*\)$|\1|p')
[ ${#extra_args[@]} -gt 1 ] || { echo "lint: $compiler names no C++ header folders" >&2; exit 2; }

echo "lint: clang-tidy over ${#sources[@]} files of src/ and their headers in src/ and include/"
printf '%s\n' "${sources[@]}" |
    xargs -P 2 -n 1 clang-tidy --quiet -p "$build" "${extra_args[@]}" \
        "--header-filter=^$root/(src|include)/" --warnings-as-errors='*' \
        2> >(grep -v -E '^[0-9]+ warnings? generated\.$' >&2) ||
    { echo "lint: clang-tidy found problems (above)" >&2; exit 1; }
echo "lint: no findings"
