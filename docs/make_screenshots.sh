#!/usr/bin/env bash
# Takes the README's pictures: the main window (docs/main-window.png) and the duration dialog
# (docs/duration-dialog.png), each captured from a private Xvfb display with the program
# running under Wine (see tests/env/session.sh).
#   docs/make_screenshots.sh [EXE]
# Without EXE, builds the program the way run.sh does and uses that build.
set -euo pipefail
docs="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$docs")"

if [ -z "${MORVIK_SESSION_DIR:-}" ]; then
  exe="${1:-}"
  if [ -z "$exe" ]; then
    source "$root/cmake/setup.sh"
    morvik_install
    flavour="$(morvik_wine_flavour)"
    toolchain=mingw-i686.cmake
    [ "$flavour" = win64 ] && toolchain=mingw-x86_64.cmake
    morvik_build "$root/build/$flavour" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain"
    exe="$root/build/$flavour/app/MorvikWavRecorder.exe"
  fi
  exec "$root/tests/env/session.sh" -- "$0" "$(realpath "$exe")"
fi

exe="$1"
program_pid=""
finish() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
}
trap finish EXIT

# Prints the id of the visible window titled exactly $1, waiting up to a minute for it.
window_titled() {
  local id
  for _ in $(seq 600); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "make_screenshots: no window \"$1\" appeared" >&2
  return 1
}

# Captures window $1 into $2 once two captures in a row agree (the window has been drawn).
capture() {
  local id="$1" out="$2" previous="" current
  for _ in $(seq 100); do
    current="$(xwd -silent -id "$id" | md5sum)"
    [ "$current" = "$previous" ] && break
    previous="$current"
    sleep 0.2
  done
  xwd -silent -id "$id" | convert xwd:- -strip -define png:exclude-chunks=date,time "png:$out"
  echo "wrote $out"
}

"$MORVIK_WINE" "$exe" >/dev/null 2>&1 &
program_pid=$!
main="$(window_titled "Morvik Wav Recorder")"
capture "$main" "$docs/main-window.png"

# Click Rec: the left button of the row along the window's bottom edge.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + WIDTH * 13 / 100)) $((Y + HEIGHT - 22)) click 1
capture "$(window_titled "Opnemen")" "$docs/duration-dialog.png"
