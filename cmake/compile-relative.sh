#!/usr/bin/env bash
# Compiler launcher of the clang build: runs the compile command given after the two folders with
# every path under the build folder written relative to it (every compile runs there) and every
# path under the source folder written as source/..., through the build folder's link "source".
# clang 14 keeps the whole command line in each object's CodeView build record, and so in the
# PDB: written this way it names no folder of the build machine.
# Usage: compile-relative.sh <source folder> <build folder> <compiler> <arguments...>
source_dir=$1
build_dir=$2
shift 2
command=()
for argument in "$@"; do
    argument=${argument//"$build_dir/"/}
    argument=${argument//"$build_dir"/.}
    argument=${argument//"$source_dir/"/source/}
    command+=("${argument//"$source_dir"/source}")
done
exec "${command[@]}"
