#!/usr/bin/env bash
# Builds everything and runs every test: the native suites (under sanitizers), the checks of the
# built exe and the Wine suites (each in its own Xvfb, PulseAudio and Wine prefix).
set -uo pipefail
cd "$(dirname "$0")"
source cmake/setup.sh
morvik_install || exit 1

flavour="$(morvik_wine_flavour)"
build="$MORVIK_ROOT/build"
wine32_tests=OFF
[ "$flavour" = win32 ] && wine32_tests=ON
if [ "$flavour" = win64 ]; then
  echo "note: this kernel runs 64-bit code only, so 32-bit Wine cannot start here; the Wine"
  echo "      suites run the x86-64 build of the same sources under wine64."
fi

trees=(native win32)
morvik_build "$build/native" -DMORVIK_SANITIZE=ON -DMORVIK_BENCH=OFF || exit 1
morvik_build "$build/bench" -DMORVIK_SANITIZE=OFF -DMORVIK_BENCH=ON || exit 1
morvik_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-i686.cmake" \
  -DMORVIK_WINE_TESTS=$wine32_tests || exit 1
if [ "$flavour" = win64 ]; then
  morvik_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-x86_64.cmake" \
    -DMORVIK_WINE_TESTS=ON || exit 1
  trees+=(win64)
fi

passed=0 failed=0
for tree in "${trees[@]}"; do
  echo "=== tests: $tree"
  jobs=1
  [ "$tree" = native ] && jobs="$(nproc)"
  log="$build/ctest-$tree.log"
  (cd "$build/$tree" && ctest --output-on-failure -j "$jobs" 2>&1) | tee "$log"
  rc=${PIPESTATUS[0]}
  out="$(cat "$log")"
  summary="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' <<<"$out" | tail -1)"
  if [ -n "$summary" ]; then
    total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")"
    bad="$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")"
    passed=$((passed + total - bad)) failed=$((failed + bad))
  elif [ $rc -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ $rc -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
