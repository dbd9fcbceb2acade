#!/usr/bin/env bash
# Builds everything and runs every test: the native suites (under sanitizers), the checks of the
# built exe and the Wine suites (each in its own Xvfb, PulseAudio and Wine prefix).
set -uo pipefail
cd "$(dirname "$0")"
source cmake/setup.sh
morvik_install || exit 1

flavour="$(morvik_wine_flavour)"
build="$MORVIK_ROOT/build"
# Every Windows test program is built for both i686 and x86-64, so a fault that only one of them
# shows (calling convention, struct size, pointer width) breaks the build on any machine. The
# Wine suites run once: on the i686 build (the product) where 32-bit Wine starts, else on the
# x86-64 build, and then the i686 tree reports them as skipped.
if [ "$flavour" = win64 ]; then
  echo "note: 32-bit Wine cannot start here ($(morvik_no_wine32_reason)); the Wine"
  echo "      suites run the x86-64 build of the same sources under wine64 (tree win64), and"
  echo "      the i686 ones are skipped."
fi

morvik_build "$build/native" -DMORVIK_SANITIZE=ON -DMORVIK_BENCH=OFF || exit 1
morvik_build "$build/bench" -DMORVIK_SANITIZE=OFF -DMORVIK_BENCH=ON || exit 1
morvik_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-i686.cmake" \
  -DMORVIK_WINE_TESTS=ON || exit 1
morvik_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-x86_64.cmake" \
  -DMORVIK_WINE_TESTS=ON || exit 1
trees=(native win32)
if [ "$flavour" = win64 ]; then
  trees+=(win64)
else
  echo "note: win64 is built only; its Wine suites ran as the i686 build's in win32."
fi

# Counted from CTest's JUnit report: a skipped test is neither passed nor failed.
count() {  # count REPORT STATUS: the test cases of REPORT with that status
  [ -f "$1" ] || { echo 0; return; }
  grep -c "^[[:space:]]*<testcase .* status=\"$2\">" "$1" || true
}
passed=0 failed=0 skipped=0
for tree in "${trees[@]}"; do
  echo "=== tests: $tree"
  jobs=1
  [ "$tree" = native ] && jobs="$(nproc)"
  report="$build/ctest-$tree.xml"
  rm -f "$report"
  (cd "$build/$tree" && ctest --output-on-failure -j "$jobs" --output-junit "$report" 2>&1) |
    tee "$build/ctest-$tree.log"
  rc=${PIPESTATUS[0]}
  tree_passed="$(count "$report" run)" tree_failed="$(count "$report" fail)"
  tree_skipped="$(count "$report" notrun)"
  # A test that did not finish in any known way, or a CTest that failed without saying why.
  total="$(grep -o '^[[:space:]]*tests="[0-9]*"' "$report" 2>/dev/null | grep -o '[0-9]*' || echo 0)"
  other=$((total - tree_passed - tree_failed - tree_skipped))
  ((other > 0)) && tree_failed=$((tree_failed + other))
  ((rc != 0 && tree_failed == 0)) && tree_failed=1
  echo "$tree: $tree_passed passed, $tree_failed failed, $tree_skipped skipped"
  passed=$((passed + tree_passed)) failed=$((failed + tree_failed))
  skipped=$((skipped + tree_skipped))
done
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
