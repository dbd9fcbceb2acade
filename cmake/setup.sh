#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: installs what is missing (Debian 12, as root) and tells
# which Windows build Wine can run on this host. Source it; it defines functions (and gives Wine
# the absolute HOME it needs).

MORVIK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Wine will not start with an empty or relative HOME (a CI runner may give one), not even to say
# its version: the account's own home stands in, for the checks below and every test.
case "${HOME:-}" in
  /*) ;;
  *) HOME="$(getent passwd "$(id -u)" | cut -d: -f6)"; export HOME ;;
esac

morvik_packages=(
  cmake g++ make googletest libgtest-dev libbenchmark-dev libspandsp-dev sox libsox-fmt-all
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine32:i386 wine64 xvfb xauth pulseaudio pulseaudio-utils xdotool x11-utils x11-apps
  fonts-wine imagemagick python3 python3-pefile python3-numpy procps
)

# Installs every package of the list that is not installed yet.
morvik_install() {
  local missing=() p
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  for p in "${morvik_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then
      echo "missing packages and not root: run this as root once" >&2
      return 1
    fi
    apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# "win32" when this kernel runs 32-bit code (32-bit Wine works), else "win64": some hosts run
# 64-bit user code only, and there the same sources are built for x86-64 to run under wine64.
morvik_wine_flavour() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

# The Wine loader matching morvik_wine_flavour.
morvik_wine_loader() {
  if [ "$(morvik_wine_flavour)" = win32 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

# Configures and builds one tree: morvik_build DIR [cmake args...]
morvik_build() {
  local dir="$1"; shift
  cmake -S "$MORVIK_ROOT" -B "$dir" "$@" >/dev/null &&
    cmake --build "$dir" -j "$(nproc)" -- --no-print-directory -s
}
