#!/usr/bin/env bash
# The set-up's install step against stand-ins for apt-get, apt-cache, dpkg-query, dpkg and id:
# nothing is installed and no root is needed. The package index always fails to download.
set -u
bin="$(mktemp -d)"
trap 'rm -rf "$bin"' EXIT
cat >"$bin/stand-in" <<'EOF'
#!/usr/bin/env bash
# $REFUSE: a pattern of the install commands apt refuses; $bin/installed: what is installed so far.
case "$(basename "$0") $*" in
  "id -u") echo 0 ;;
  "dpkg --print-foreign-architectures") echo i386 ;;
  "apt-get update"*) echo "E: Failed to fetch binary-i386/Packages.xz  File has unexpected size"; exit 100 ;;
  "apt-get install"*)
    grep -qE "$REFUSE" <<<"$*" && { echo "E: Unable to correct problems"; exit 100; }
    [[ " $* " == *" -s "* ]] || printf '%s\n' "$@" | grep -v '^-' >>"$bin/installed" ;;
  "dpkg-query -W -f=\${Status} "*) sed 's/=.*//' "$bin/installed" 2>/dev/null | grep -qxF "$3" && echo "install ok installed" ;;
  "dpkg-query -W"*) echo "ii  libfoo:amd64 2 foo"; echo "ii  foo-dev 2 foo" ;;
  "apt-cache depends"*) echo "libfoo:i386" ;;
  "apt-cache show"*) printf 'Package: libfoo\nMulti-Arch: same\n' ;;
  "apt-cache madison"*) echo "libfoo | 2 | security"; echo "libfoo | 1 | main"; echo "libfoo:i386 | 1 | main" ;;
esac
EOF
chmod +x "$bin/stand-in"
for name in id dpkg apt-get dpkg-query apt-cache; do ln -s stand-in "$bin/$name"; done
source "$(dirname "$0")/../../cmake/setup.sh"
export PATH="$bin:$PATH" bin

failed=0
check() {  # check WHAT REFUSE STATUS PATTERN: the install's status and a line of its output
  rm -f "$bin/installed"
  out="$(REFUSE="$2" morvik_install 2>&1)"
  status=$?
  if [ "$status" != "$3" ] || ! grep -qE "$4" <<<"$out"; then
    echo "FAIL: $1: status $status, output:"; echo "$out"; failed=1
  fi
}
check "a failed index alone" '^$' 0 '^installing: cmake'
[ "$(morvik_missing "${morvik_packages[@]}" wine32:i386)" = "" ] || { echo "FAIL: not all installed"; failed=1; }
check "i386 behind amd64" 'wine32:i386$' 0 '^note: 32-bit Wine installed'
[ "$(grep = "$bin/installed" | sort | xargs)" = "foo-dev:amd64=1 libfoo:amd64=1 libfoo:i386=1" ] ||
  { echo "FAIL: the library and its sibling not taken at the shared version"; failed=1; }
check "no 32-bit Wine" ':i386' 0 "^warning: 32-bit Wine could not be installed \(E: Failed to fetch.*apt-get update"
check "cmake refused" '(^| )cmake( |$)' 1 '^error: could not install cmake \(E: Failed to fetch'
grep -qx g++ "$bin/installed" || { echo "FAIL: the installable packages were left out"; failed=1; }
[ "$failed" = 0 ] && echo "install step: all held"
exit "$failed"
