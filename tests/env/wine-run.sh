#!/usr/bin/env bash
# Runs a Windows exe under Wine, in a session of its own (display, sound server, prefix; see
# session.sh) unless already inside one. CMake uses it as the emulator for Windows test drivers.
# The exe's exit code passes through.
#   wine-run.sh EXE ARGS...
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ -n "${MORVIK_SESSION_DIR:-}" ]; then
  exec "$MORVIK_WINE" "$@"
fi
exec "$here/session.sh" -- "$here/wine-run.sh" "$@"
