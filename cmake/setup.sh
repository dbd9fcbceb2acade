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

# Everything the builds, the tests and wine64 need. 32-bit Wine comes on its own afterwards, so
# that an archive whose i386 list lags (common for a day or two after a security update) costs
# only the i686 runs, not the whole set-up.
morvik_packages=(
  cmake g++ make googletest libgtest-dev libbenchmark-dev libspandsp-dev sox libsox-fmt-all
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth pulseaudio pulseaudio-utils xdotool x11-utils x11-apps
  fonts-wine imagemagick python3 python3-pefile python3-numpy procps
)

morvik_missing() {  # morvik_missing PACKAGE...: prints those not installed
  local p
  for p; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# apt-get install, its output kept in morvik_install's log for morvik_apt_error.
morvik_apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" \
    >>"$morvik_apt_log" 2>&1
}

# apt's first error line of this set-up, where the cause usually is (an index that failed).
morvik_apt_error() {
  grep -m1 '^E: ' "$morvik_apt_log" || grep -v '^\s*$' "$morvik_apt_log" | tail -n1
}

# The arguments that install 32-bit Wine when the i386 lists lag the amd64 ones: every library
# that must have the same version in both architectures, at the newest version both lists have
# (the installed one where the i386 list has it), and the installed packages built from the same
# source as a library moved that way, to stay in step with it. Versions on one apt call only;
# the machine's preferences are unchanged, so a later upgrade brings the newest ones back.
morvik_wine32_shared_versions() {
  local pkgs same
  mapfile -t pkgs < <(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null | sed -n 's/^\([^ <]*\):i386$/\1/p' | sort -u)
  mapfile -t same < <(apt-cache show --no-all-versions "${pkgs[@]/%/:i386}" 2>/dev/null |
    awk '/^Package:/ { p = $2 } /^Multi-Arch: same/ { print p }' | sort -u)
  awk '
    FILENAME == ARGV[1] { if ($1 == "ii") { version[$2] = $3; source[$2] = $4 } next }
    { versions[$1] = versions[$1] " " $3 " " }  # apt-cache madison: name | version | ..., newest first
    END {
      for (p in version) {
        if (!(p in versions) || !((p ":i386") in versions)) continue
        i386 = versions[p ":i386"]; n = split(versions[p], amd64, " "); split(i386, newest, " ")
        keep = index(i386, " " version[p] " ") ? version[p] : ""
        for (k = 1; k <= n && keep == ""; k++) if (index(i386, " " amd64[k] " ")) keep = amd64[k]
        if (keep == "" || (keep == amd64[1] && keep == newest[1])) continue
        print p ":amd64=" keep; print p ":i386=" keep; pinned[p] = 1
        if (keep != version[p]) { from[source[p]] = version[p]; to[source[p]] = keep }
      }
      for (q in source)
        if (!(q in pinned) && (source[q] in to) && version[q] == from[source[q]]) print q ":amd64=" to[source[q]]
    }' <(dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package} ${Version} ${source:Package}\n' 2>/dev/null |
           sed 's/:amd64 / /' | grep -v ':i386 ') \
       <(apt-cache madison "${same[@]}" "${same[@]/%/:i386}" 2>/dev/null)
}

# Installs what is missing: first everything but 32-bit Wine (fatal when anything of it cannot be
# installed), then 32-bit Wine (where it cannot be, the x86-64 build stands in, as on a kernel that
# runs 64-bit code only). A failed index download is not fatal by itself.
morvik_install() {
  local missing installable=() shared p morvik_apt_log
  mapfile -t missing < <(morvik_missing "${morvik_packages[@]}" wine32:i386)
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" != 0 ]; then
    echo "missing packages and not root: run this as root once" >&2
    return 1
  fi
  morvik_apt_log="$(mktemp)"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q >>"$morvik_apt_log" 2>&1 || true  # what could be read is used; see below
  mapfile -t missing < <(morvik_missing "${morvik_packages[@]}")
  if ((${#missing[@]})) && ! morvik_apt_install "${missing[@]}"; then
    # apt refuses the whole list for one package: install the others, then name what is left.
    for p in "${missing[@]}"; do
      apt-get install -s -q "$p" >/dev/null 2>&1 && installable+=("$p")
    done
    ((${#installable[@]})) && morvik_apt_install "${installable[@]}"
    echo "error: could not install $(morvik_missing "${missing[@]}" | xargs)" \
      "($(morvik_apt_error)); nothing was built" >&2
    rm -f "$morvik_apt_log"
    return 1
  fi
  if [ -n "$(morvik_missing wine32:i386)" ] && ! morvik_apt_install wine32:i386; then
    mapfile -t shared < <(morvik_wine32_shared_versions)
    if ((${#shared[@]})) && morvik_apt_install --no-remove --allow-downgrades wine32:i386 "${shared[@]}"; then
      echo "note: 32-bit Wine installed with its libraries at the versions both architectures" \
        "share, as the i386 lists lag; a later upgrade brings the newer ones back"
    else
      echo "warning: 32-bit Wine could not be installed ($(morvik_apt_error)); the x86-64 build" \
        "stands in. To get it, run 'apt-get update' again later, then the same command." >&2
    fi
  fi
  rm -f "$morvik_apt_log"
}

# "win32" when this kernel runs 32-bit code (32-bit Wine works), else "win64": some hosts run
# 64-bit user code only, and there the same sources are built for x86-64 to run under wine64.
morvik_wine_flavour() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

# Why 32-bit Wine cannot start the i686 build here (where morvik_wine_flavour says win64).
morvik_no_wine32_reason() {
  if [ -e /usr/lib/wine/wine ]; then echo "this kernel runs 64-bit code only"; else echo "32-bit Wine is not installed"; fi
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
