#!/usr/bin/env bash
# Checks the test sessions themselves: inside one, the sound server answers, a tone fed into the
# feed sink comes out of its monitor at the right frequency, and a Windows program under Wine
# opens the default waveform input and hears that tone; with --no-audio it finds no input.
# Prints what it saw and how long sessions take to start and stop. First it checks that
# wine-run.sh, which runs every Wine test, passes a test by its own report only.
#   selfcheck.sh [PROBE_EXE]   (PROBE_EXE: wavein_probe.c built for Windows; else built here)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
kit="$here/../../demo"  # the session scripts, shared with the demo

# wine-run.sh passes a test by its own report only. A stand-in for Wine plays GoogleTest programs
# (listing two tests) that pass, crash with exit code 0, fail a test or leave one out, and a
# suite is judged by its closing line.
judge_check() {
  local dir="$1" fake="$1/fake-wine" rc
  cat >"$fake" <<'FAKE'
#!/usr/bin/env bash
kind="$1"; shift
case " $* " in *" --gtest_list_tests "*) printf 'Suite.\n  One\n  Two\n'; exit 0 ;; esac
[ "$kind" = crash ] && exit 0  # before any report
report="${*##*xml:Z:}"
case="<testcase classname=\"Suite\" status=\"run\" result=\"completed\""
case "$kind" in
  pass) echo "<testsuites>$case name=\"One\"/>$case name=\"Two\"/></testsuites>" ;;
  fail) echo "<testsuites>$case name=\"One\"><failure/></testcase>$case name=\"Two\"/></testsuites>" ;;
  short) echo "<testsuites>$case name=\"One\"/></testsuites>" ;;
esac >"${report//\\//}"
FAKE
  chmod +x "$fake"
  for verdict in pass:0 crash:1 fail:1 short:1 "echo '== g: 2 checks held, 0 did not':0" \
    "echo '== g: 2 checks held, 0 did not'; echo cut:1" "echo '== g: 1 checks held, 1 did not':1"; do
    rc=0
    if [[ "${verdict%:*}" == echo* ]]; then
      "$here/wine-run.sh" --own-sessions --closing '^== [a-z]+: [1-9][0-9]* checks held, 0 did not$' \
        bash -c "${verdict%:*}" >/dev/null 2>&1 || rc=$?
    else
      MORVIK_SESSION_DIR="$dir" MORVIK_WINE="$fake" "$here/wine-run.sh" "${verdict%:*}" \
        >/dev/null 2>&1 || rc=$?
    fi
    if [ "$rc" != "${verdict##*:}" ]; then
      echo "FAIL: wine-run.sh gave $rc for \"${verdict%:*}\", not ${verdict##*:}"
      return 1
    fi
  done
  echo "wine-run.sh: passes a full report or closing line only (7 cases)"
}

if [ -z "${MORVIK_SESSION_DIR:-}" ]; then
  probe="${1:-}"
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  if [ -z "$probe" ]; then
    probe="$scratch/wavein_probe.exe"
    x86_64-w64-mingw32-gcc-posix -O2 -o "$probe" "$here/wavein_probe.c" -lwinmm
  fi
  failed=0
  judge_check "$scratch" || failed=1
  start=$(date +%s%N)
  "$kit/session.sh" -- "$here/selfcheck.sh" "$probe" inside || failed=1
  audio_ms=$((($(date +%s%N) - start) / 1000000))
  start=$(date +%s%N)
  "$kit/session.sh" --no-audio -- "$here/selfcheck.sh" "$probe" inside || failed=1
  silent_ms=$((($(date +%s%N) - start) / 1000000))
  echo "session with audio, whole run: $audio_ms ms; without audio: $silent_ms ms"
  if ((failed)); then echo "selfcheck: FAILED"; exit 1; fi
  echo "selfcheck: passed"
  exit 0
fi

probe="$1"
fail() { echo "FAIL: $*"; exit 1; }
if [ "$MORVIK_NO_AUDIO" = 1 ]; then
  pactl info >/dev/null 2>&1 && fail "a sound server answers in a --no-audio session"
  echo "no audio: pactl finds no server"
  set +e
  out="$("$MORVIK_WINE" "$probe" 2>&1 | tr -d "\r")"
  rc=$?
  set -e
  echo "$out" | sed 's/^/  probe: /'
  [ $rc -ne 0 ] || fail "waveInOpen succeeded without a sound server"
  grep -q '^waveInGetNumDevs: 0' <<<"$out" ||
    fail "Wine found an input device without a sound server"
  echo "no audio: Wine finds no input device (probe exit $rc)"
  exit 0
fi

pactl info | grep -E '^(Default Sink|Default Source):' | sed 's/^/pactl: /'
pactl info | grep -q '^Default Source: feed.monitor' || fail "default source is not feed.monitor"
pactl info | grep -q '^Default Sink: speaker' || fail "default sink is not speaker"

# A tone into feed, read back from its monitor.
capture="$MORVIK_SESSION_DIR/feed-monitor.wav"
"$kit/capture.sh" start "$capture" feed
"$kit/feed_tone.sh" 700 1
"$kit/capture.sh" stop "$capture"
measured="$(/usr/bin/python3 "$kit/audio_probe.py" "$capture")"
echo "feed.monitor: $measured (fed 700 Hz)"
freq="$(sed -n 's/.*, \([0-9.]*\) Hz, .*/\1/p' <<<"$measured")"
awk -v f="$freq" 'BEGIN { exit !(f > 650 && f < 750) }' || fail "fed tone not found on feed.monitor"

# Wine records the default input while the tone plays.
"$kit/feed_tone.sh" 500 30 &
tone_pid=$!
set +e
out="$("$MORVIK_WINE" "$probe" 2>&1 | tr -d "\r")"
rc=$?
set -e
kill "$tone_pid"; wait "$tone_pid" 2>/dev/null || true
echo "$out" | sed 's/^/  probe: /'
[ $rc -eq 0 ] || fail "the probe could not record (exit $rc)"
peak="$(sed -n 's/^recorded: .* peak \([0-9]*\)$/\1/p' <<<"$out")"
((peak > 1000)) || fail "Wine recorded silence (peak $peak) while the tone played"
echo "wine: waveIn opened and heard the tone (peak $peak)"
