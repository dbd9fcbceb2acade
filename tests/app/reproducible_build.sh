#!/usr/bin/env bash
# Builds the shipped exe once more, from a copy of the sources in a fresh temporary folder, and
# compares it byte for byte with this tree's exe: neither the folders nor the time of a build
# may show in the program, nor file times in the release archive. Only the exe is rebuilt.
#   reproducible_build.sh SOURCE_DIR EXE TOOLCHAIN_FILE BUILD_TYPE
set -euo pipefail
source_dir="$(cd "$1" && pwd)" exe="$2" toolchain="$3" build_type="$4"

work="$(mktemp -d "${TMPDIR:-/tmp}/morvik-reproducible.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/sources"
tar -C "$source_dir" --exclude=./.git --exclude=./build --exclude='./build-*' -cf - . |
  tar -C "$work/sources" -xf -
# A toolchain file of the sources is taken from the copy, like everything else.
case "$toolchain" in "$source_dir"/*) toolchain="$work/sources/${toolchain#"$source_dir"/}" ;; esac

cmake -S "$work/sources" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$work/build" --target MorvikWavRecorder -j "$(nproc)" >/dev/null
second="$work/build/app/MorvikWavRecorder.exe"

# The release archive, packaged twice from files of other times: the same zip and checksum.
cmake --build "$work/build" --target package >/dev/null
zip="$(find "$work/build" -maxdepth 1 -name "*-win32.zip")"
mv "$zip" "$work/first.zip"; mv "$zip.sha256" "$work/first.zip.sha256"
touch -d "2001-02-03 04:05:06" "$second" "$work/build/packaging/README.txt"
cmake --build "$work/build" --target package >/dev/null
cmp "$work/first.zip" "$zip" || { echo "the archive differs when packaged again"; exit 1; }
cmp "$work/first.zip.sha256" "$zip.sha256" || { echo "its checksum differs"; exit 1; }
echo "identical: ${zip##*/} and its checksum, packaged twice from files of other times"

if cmp -s "$exe" "$second"; then
  echo "identical: $(stat -c %s "$exe") bytes, built in $source_dir and again in $work/sources"
  exit 0
fi
echo "the second build differs ($(stat -c %s "$exe") and $(stat -c %s "$second") bytes);"
echo "first differing bytes (offset, octal values):"
cmp -l "$exe" "$second" | head -20 || true
exit 1
