#!/usr/bin/env bash
# Started where no display can be reached, the program says so in one line on stderr and ends with
# a non-zero exit code of its own, not by an abort or another signal.
#
# Usage: no_display.sh PROGRAM_DIR [WORK_DIR]   (needs no X server)
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

e2e_setup "$@"
# No X, no Wayland, no platform chosen by hand; XDG_SESSION_TYPE would send Qt looking for a Wayland
# compositor first, which is not the situation under test.
e2e_start -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE
e2e_wait_exit 20 || e2e_fail "the program still runs 20 s after starting without a display"

cp "$E2E_TMP/stderr" "$E2E_WORK_DIR/e2e-no-display.stderr"
lines=$(grep -c '' "$E2E_TMP/stderr" || true)
message=$(cat "$E2E_TMP/stderr")
e2e_note "exit code $E2E_EXIT, stderr: $message"

((E2E_EXIT != 0)) || e2e_fail "exit code 0 without a display"
((E2E_EXIT < 128)) || e2e_fail "exit code $E2E_EXIT: the program was ended by signal $((E2E_EXIT - 128)), not by itself"
((lines == 1)) || e2e_fail "$lines lines on stderr, expected exactly one"
grep -qiE 'display|显示' <<<"$message" || e2e_fail "the line on stderr does not say that there is no display"
