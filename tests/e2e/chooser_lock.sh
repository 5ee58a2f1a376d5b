#!/usr/bin/env bash
# The chooser's lock under real X key events and the window manager's close. With the banks locked
# (and in SQLite's write-ahead-log mode, as another tool may leave them):
#   1. a wrong password and Return shows "密码错误" and opens nothing; Return in the new-bank name
#      with an existing bank's name shows its message and opens nothing; the window manager's close
#      then ends the program with exit code 0, no main window ever shown;
#   2. Tab from the list and Space open nothing; the right password and Return open the bank; the
#      window manager's close of the main window ends the program with exit code 0;
# and the bank files are byte for byte as they were, still in write-ahead-log mode.
#
# Usage: chooser_lock.sh PROGRAM_DIR WORK_DIR CLOSE_TOOL   (needs DISPLAY)
# CLOSE_TOOL asks a window to close as a window manager does (x11_close_window.cpp).
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

close_tool=${3:-${QELBRIN_E2E_CLOSE_WINDOW:-}}
e2e_setup "$@"
e2e_require_x
[[ -n $close_tool && -x $close_tool ]] || e2e_fail "no close tool given (argument 3): build x11_close_window"
command -v sqlite3 >/dev/null || e2e_fail "sqlite3 is not installed (scripts/install-deps)"

sample=$E2E_RUN_DIR/示例题库.stk
other=$E2E_RUN_DIR/locked.stk # a second locked bank, without a folder of its own
sqlite3 "$sample" "UPDATE jiegou SET str_value='1' WHERE str_name='isJiaMi';
                   UPDATE jiegou SET str_value='Secret' WHERE str_name='CharMima';" >/dev/null
cp "$sample" "$other"
for bank in "$sample" "$other"; do
    [[ $(sqlite3 "$bank" "PRAGMA journal_mode=WAL") == wal ]] || e2e_fail "$bank could not be put into WAL mode"
done
sums_before=$(cd "$E2E_RUN_DIR" && sha256sum ./*.stk)

main_caption='^示例题库题库作者是：'

# expect_no_window REGEX SECONDS: no window of the program matching REGEX shows within SECONDS.
expect_no_window() {
    local deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        if xdotool search --all --onlyvisible --pid "$E2E_PID" --name "$1" >/dev/null 2>&1; then
            e2e_screenshot "$E2E_NAME-unexpected"
            e2e_fail "a window named '$1' appeared"
        fi
        sleep 0.2
    done
}

# focus_chooser: gives the chooser the keyboard focus (no window manager does it here).
focus_chooser() {
    xdotool mousemove --window "$chooser" 500 20
    xdotool windowfocus --sync "$chooser"
    sleep 0.3
}

# dismiss_message WHAT: a message box shows; Return presses its OK and it goes away.
dismiss_message() {
    e2e_wait_window '^Qelbrin$' 10
    local box=$E2E_WID i
    e2e_note "message box for $1"
    e2e_settle
    xdotool windowfocus --sync "$box"
    xdotool key Return
    for ((i = 0; i < 50; i++)); do
        e2e_window_shown "$box" || return 0
        sleep 0.2
    done
    e2e_fail "the message box for $1 still shows 10 s after Return"
}

e2e_note "run 1: wrong password, an existing bank's name, the window manager's close"
e2e_start
e2e_wait_window '^选择题库$' 20
chooser=$E2E_WID
e2e_settle
e2e_screenshot e2e-chooser-locked
# The password edit lies at x 30-195, y 122-150 of the chooser (the lock panel starts at 24,90).
xdotool mousemove --window "$chooser" 110 136 click 1
sleep 0.3
xdotool type --delay 30 wrong
xdotool key Return
dismiss_message '"密码错误"'
expect_no_window "$main_caption" 2

# The new-bank name lies at x 240-420, y 46-74.
xdotool mousemove --window "$chooser" 330 60 click 1
sleep 0.3
xdotool type --delay 30 locked
xdotool key Return
dismiss_message '"单元名已经存在，请输入新建的单元名"'
expect_no_window "$main_caption" 2

"$close_tool" "$chooser" || e2e_fail "$close_tool could not ask the chooser to close"
e2e_wait_exit 10 || e2e_fail "the program still runs 10 s after the chooser was asked to close"
((E2E_EXIT == 0)) || e2e_fail "closing the chooser ended the program with exit code $E2E_EXIT, expected 0"
e2e_note "closing the chooser ended the program with exit code 0"

e2e_note "run 2: Tab and Space, then the right password and Return"
e2e_start
e2e_wait_window '^选择题库$' 20
chooser=$E2E_WID
e2e_settle
focus_chooser
# The focus starts in the list; Tab goes on to the password, never to the plain "打开" under the panel.
xdotool key Tab
sleep 0.2
xdotool key space
expect_no_window "$main_caption" 2
e2e_window_shown "$chooser" || e2e_fail "the chooser went away after Tab and Space"
xdotool key ctrl+a
xdotool type --delay 30 Secret
xdotool key Return
e2e_wait_window "$main_caption" 20
main=$E2E_WID
e2e_settle
"$close_tool" "$main" || e2e_fail "$close_tool could not ask the main window to close"
e2e_wait_exit 10 || e2e_fail "the program still runs 10 s after its main window was asked to close"
((E2E_EXIT == 0)) || e2e_fail "closing the main window ended the program with exit code $E2E_EXIT, expected 0"

sums_after=$(cd "$E2E_RUN_DIR" && sha256sum ./*.stk)
[[ $sums_after == "$sums_before" ]] || e2e_fail "a bank file changed without a write:
$sums_before
$sums_after"
for bank in "$sample" "$other"; do
    [[ $(sqlite3 "$bank" "PRAGMA journal_mode") == wal ]] || e2e_fail "$bank is no longer in WAL mode"
done
e2e_note "the banks are unchanged and still in WAL mode"
