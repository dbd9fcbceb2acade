#!/usr/bin/env bash
# Runs one Wine test in a session of its own (display, sound server, prefix; see session.sh) unless
# already inside one, and judges it by the test's own report, never by its exit code alone: under
# Wine a process that crashed can exit 0. Every Wine test goes through here; CMake also uses it as
# the emulator for Windows test programs.
#
#   wine-run.sh [OPTIONS] EXE ARGS...                   a GoogleTest program, run by Wine
#   wine-run.sh [OPTIONS] --via SCRIPT EXE ARGS...      a GoogleTest program that SCRIPT runs (as
#                                                       "$MORVIK_WINE" EXE ARGS... plus our option)
#   wine-run.sh [OPTIONS] --closing REGEX COMMAND ARGS... any other test, whose last line of output
#                                                       must match REGEX (extended grep)
# OPTIONS:
#   --arch ARCH       the tree's processor; an i686 test is skipped (exit 77) where 32-bit Wine
#                     cannot start
#   --no-audio        a session without a sound server
#   --own-sessions    COMMAND starts the sessions it needs itself
#
# A GoogleTest program passes when it exits 0 and its XML report says that every test its filter
# selects (counted with --gtest_list_tests) ran to completion and none failed. Any other test
# passes when it exits 0 and ends with its closing line; its exit code 77 (skipped) passes through.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
kit="$here/../../demo"  # the session scripts, shared with the demo
all_args=("$@")
arch="" session_args=() own_sessions=0 via="" closing=""
while (($#)); do
  case "$1" in
    --arch) arch="$2"; shift 2 ;;
    --no-audio) session_args+=(--no-audio); shift ;;
    --own-sessions) own_sessions=1; shift ;;
    --via) via="$2"; shift 2 ;;
    --closing) closing="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if ((!$#)); then
  echo "usage: wine-run.sh [--arch ARCH] [--no-audio] [--own-sessions] [--via SCRIPT | --closing REGEX] COMMAND ARGS..." >&2
  exit 2
fi

source "$here/../../cmake/setup.sh"
if [ "$arch" = i686 ] && [ "$(morvik_wine_flavour)" = win64 ]; then
  echo "skipped: 32-bit Wine cannot start the i686 build here ($(morvik_no_wine32_reason))"
  exit 77
fi
if [ -z "${MORVIK_SESSION_DIR:-}" ] && ((!own_sessions)); then
  exec "$kit/session.sh" "${session_args[@]}" -- "$here/wine-run.sh" "${all_args[@]}"
fi
work="${MORVIK_SESSION_DIR:-}"
if [ -z "$work" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi

fail() {
  echo "wine-run: FAILED: $*"
  exit 1
}

if [ -n "$closing" ]; then
  log="$(mktemp "$work/output.XXXXXX")"
  set +e
  "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  set -e
  ((rc != 77)) || exit 77
  last="$(tr -d '\r' <"$log" | grep -v '^[[:space:]]*$' | tail -n 1 || true)"
  ((rc == 0)) || fail "exit code $rc; last line: \"$last\""
  grep -qE -- "$closing" <<<"$last" || fail "exit code 0, but the last line is \"$last\", not /$closing/"
  exit 0
fi

exe="$1"; shift
runner=("$MORVIK_WINE")
[ -n "$via" ] && runner=("$via")
# The tests that ran are counted against those the same filter selects, listed beforehand.
listing="$("$MORVIK_WINE" "$exe" "$@" --gtest_list_tests 2>/dev/null | tr -d '\r' || true)"
expected="$(grep -c '^  [^ ]' <<<"$listing" || true)"
((expected > 0)) || fail "the program lists no test for these arguments: $*"

report="$(mktemp -u "$work/report.XXXXXX").xml"
set +e
"${runner[@]}" "$exe" "$@" "--gtest_output=xml:Z:${report//\//\\}"
rc=$?
set -e
# A crash writes no report; a report is only written once every test has run.
[ -f "$report" ] || fail "exit code $rc and no test report: the program ended before its tests did"
verdict="$(/usr/bin/python3 - "$report" "$expected" <<'EOF'
import sys
import xml.etree.ElementTree as ET

cases = list(ET.parse(sys.argv[1]).getroot().iter("testcase"))
expected = int(sys.argv[2])
completed = [c for c in cases if c.get("status") == "run" and c.get("result", "completed") == "completed"]
failed = [c.get("classname") + "." + c.get("name") for c in cases if c.find("failure") is not None]
print("%d of %d tests ran, %d failed%s" % (len(completed), expected, len(failed),
                                            "".join("\n  failed: " + name for name in failed)))
sys.exit(0 if len(completed) == expected and not failed else 1)
EOF
)" && judged=0 || judged=1
echo "wine-run: GoogleTest's report: $verdict"
((judged == 0)) || fail "not every selected test ran and passed"
((rc == 0)) || fail "exit code $rc after a clean report"
echo "wine-run: passed"
