#!/usr/bin/env bash
# In the chooser, "打开" opens the sample bank: the main window appears with the bank's folder and
# author in its caption. Closing it the way a window manager does ends the program with exit code 0.
#
# Usage: open_sample.sh PROGRAM_DIR [WORK_DIR [CLOSE_TOOL]]   (needs DISPLAY)
# CLOSE_TOOL asks a window to close (WM_DELETE_WINDOW, see x11_close_window.cpp). Without it the
# program is ended with TERM instead, and only the opening is checked.
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

close_tool=${3:-${QELBRIN_E2E_CLOSE_WINDOW:-}}
e2e_setup "$@"
e2e_require_x
e2e_start

e2e_wait_window '^选择题库$' 20
chooser=$E2E_WID
e2e_settle
# "打开" (Button1) covers x 24-97, y 90-132 of the client area. The copy holds the sample bank alone,
# so it is the selected one.
e2e_click_away "$chooser" 60 111

e2e_wait_window '^示例题库题库作者是：' 20
main=$E2E_WID
e2e_note "main window caption: $(xdotool getwindowname "$main")"
e2e_settle
e2e_screenshot e2e-main-window

if [[ -n $close_tool ]]; then
    "$close_tool" "$main" || e2e_fail "$close_tool could not ask window $main to close"
    e2e_wait_exit 10 || e2e_fail "the program still runs 10 s after its main window was asked to close"
    ((E2E_EXIT == 0)) || e2e_fail "closing the main window ended the program with exit code $E2E_EXIT, expected 0"
    e2e_note "closing the main window ended the program with exit code 0"
else
    e2e_note "no close tool: ending the program with TERM"
    kill -TERM "$E2E_PID"
    e2e_wait_exit 10 || e2e_fail "the program still runs 10 s after TERM"
fi
