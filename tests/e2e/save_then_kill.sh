#!/usr/bin/env bash
# A question written in the editor is in the bank file as soon as "保存" has been pressed: another
# program reads it there, and killing Qelbrin at once (no chance to close the bank) loses nothing
# and leaves the bank whole.
#
# Usage: save_then_kill.sh PROGRAM_DIR [WORK_DIR]   (needs DISPLAY)
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

e2e_setup "$@"
e2e_require_x
command -v sqlite3 >/dev/null || e2e_fail "sqlite3 is not installed (scripts/install-deps)"
bank=$E2E_RUN_DIR/示例题库.stk
text="e2e question $$"
count_saved() { sqlite3 "file:$bank?mode=ro" "SELECT count(*) FROM tiku WHERE ti_neirong='$text'" 2>/dev/null || echo error; }
before=$(sqlite3 "$bank" "SELECT count(*) FROM tiku")

e2e_start_on_sample_bank
main=$E2E_WID

# "添加" lies at x 396-484, y 484-520 of the main window.
xdotool mousemove --window "$main" 440 502 click 1
e2e_wait_window '^添加$' 20
editor=$E2E_WID
e2e_settle
# The question text box lies at x 80-703, y 32-172 of the editor; "保存" at x 172-244, y 394-422.
# A new question starts with the text of the question read last: it is replaced.
xdotool mousemove --window "$editor" 300 100 click 1
xdotool key ctrl+a
xdotool type --delay 20 "$text"
e2e_screenshot e2e-editor
xdotool mousemove --window "$editor" 208 408 click 1

deadline=$((SECONDS + 10))
until [[ $(count_saved) == 1 ]]; do
    ((SECONDS < deadline)) || e2e_fail "the question is not in the bank 10 s after \"保存\" (count: $(count_saved))"
    sleep 0.1
done
kill -KILL "$E2E_PID"
e2e_reap
e2e_note "the question was in the bank; the program was killed"

[[ $(sqlite3 "$bank" "PRAGMA integrity_check") == ok ]] || e2e_fail "the bank is damaged after the kill"
[[ $(count_saved) == 1 ]] || e2e_fail "the saved question is gone after the kill"
after=$(sqlite3 "$bank" "SELECT count(*) FROM tiku")
((after == before + 1)) || e2e_fail "the bank holds $after questions, expected $((before + 1))"
e2e_note "the bank is whole and holds the saved question"
