#!/usr/bin/env bash
# The program starts into the bank chooser, which has its size, and its "退出" button ends the
# process with exit code 0.
#
# Usage: smoke.sh PROGRAM_DIR [WORK_DIR]   (needs DISPLAY: the X server that ./test starts)
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

e2e_setup "$@"
e2e_require_x
e2e_start

e2e_wait_window '^选择题库$' 20
chooser=$E2E_WID
e2e_expect_size "$chooser" 525 225
e2e_settle
e2e_screenshot e2e-chooser

# "退出" covers x 430-510, y 170-212 of the client area; aim at its middle.
e2e_click_away "$chooser" 470 191
e2e_wait_exit 10 || e2e_fail "the program still runs 10 s after the click on 退出"
((E2E_EXIT == 0)) || e2e_fail "退出 ended the program with exit code $E2E_EXIT, expected 0"
e2e_note "退出 ended the program with exit code 0"
