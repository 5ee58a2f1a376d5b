#!/usr/bin/env bash
# Copies made in another program reach the running program: copied text opens the editor with that
# text as a new question ("保存" puts it into the bank), and a copied picture is saved as <tick>.bmp in
# the bank's folder, at the picture's size, and opens an editor.
#
# Esc in the editor does nothing: the editor is closed as a window manager closes it.
#
# Usage: clipboard.sh PROGRAM_DIR WORK_DIR CLIPBOARD_OWNER [CLOSE_TOOL]   (needs DISPLAY)
# CLIPBOARD_OWNER is the test tool that puts text or a picture on the clipboard as another program
# would (tests/platform/clipboard/clipboard_owner.cpp). CLOSE_TOOL asks a window to close
# (WM_DELETE_WINDOW, see x11_close_window.cpp); without it the editor is closed with "保存并退出".
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

owner_tool=${3:-${QELBRIN_E2E_CLIPBOARD_OWNER:-}}
close_tool=${4:-${QELBRIN_E2E_CLOSE_WINDOW:-}}
owner_pids=()
# The clipboard owners go with the program, however the script ends.
stop_owners() {
    local pid
    for pid in "${owner_pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
on_exit() {
    local rc=$?
    stop_owners
    (exit "$rc")
    e2e_cleanup
}
trap on_exit EXIT

e2e_setup "$@"
e2e_require_x
[[ -n $owner_tool && -x $owner_tool ]] || e2e_fail "no clipboard owner tool given (argument 3): build the project first"
command -v sqlite3 >/dev/null || e2e_fail "sqlite3 is not installed (scripts/install-deps)"
command -v identify >/dev/null || e2e_fail "identify is not installed (scripts/install-deps: imagemagick)"
bank=$E2E_RUN_DIR/示例题库.stk
folder=$E2E_RUN_DIR/示例题库
text="copied in another program $$"
count_saved() { sqlite3 "file:$bank?mode=ro" "SELECT count(*) FROM tiku WHERE ti_neirong='$text'" 2>/dev/null || echo error; }

# copy ARGS...: another program takes the clipboard with ARGS (see clipboard_owner) and keeps it.
copy() {
    local out=$E2E_TMP/owner-${#owner_pids[@]}.out deadline=$((SECONDS + 10))
    "$owner_tool" "$@" >"$out" 2>&1 &
    owner_pids+=($!)
    until grep -q '^ready$' "$out" 2>/dev/null; do
        kill -0 "${owner_pids[-1]}" 2>/dev/null || e2e_fail "the clipboard owner ended: $(cat "$out")"
        ((SECONDS < deadline)) || e2e_fail "the clipboard owner was not ready within 10 s"
        sleep 0.1
    done
    e2e_note "another program copied: $*"
}

# close_editor WID: Esc, pressed into the editor, leaves it open; the window manager's close (or
# "保存并退出", at x 250-350, y 394-422) closes it within 10 s.
close_editor() {
    local i
    xdotool key --clearmodifiers Escape
    sleep 1
    e2e_window_shown "$1" || e2e_fail "Esc closed the editor $1"
    if [[ -n $close_tool ]]; then
        "$close_tool" "$1" || e2e_fail "$close_tool could not ask window $1 to close"
    else
        xdotool mousemove --window "$1" 300 408 click 1
    fi
    for ((i = 0; i < 50; i++)); do
        e2e_window_shown "$1" || return 0
        sleep 0.2
    done
    e2e_fail "the editor $1 is still shown 10 s after it was asked to close"
}

e2e_start_on_sample_bank

# Text: an editor for a new question opens with it.
copy --text "$text"
e2e_wait_window '^添加$' 20
editor=$E2E_WID
e2e_settle
e2e_screenshot e2e-clipboard-text
# "保存" lies at x 172-244, y 394-422 of the editor.
xdotool mousemove --window "$editor" 208 408 click 1
deadline=$((SECONDS + 10))
until [[ $(count_saved) == 1 ]]; do
    ((SECONDS < deadline)) || e2e_fail "the copied text is not in the bank 10 s after \"保存\" (count: $(count_saved))"
    sleep 0.1
done
e2e_note "the copied text was saved as a question"
close_editor "$editor"

# A picture: saved into the bank's folder as <tick>.bmp, and an editor opens with it.
convert -size 41x23 xc:'#3080c0' "$E2E_TMP/copied.png"
copy --image "$E2E_TMP/copied.png"
deadline=$((SECONDS + 20))
bmp=""
while [[ -z $bmp ]]; do
    bmp=$(find "$folder" -maxdepth 1 -regextype posix-extended -regex '.*/[0-9]+\.bmp' -print -quit)
    ((SECONDS < deadline)) || e2e_fail "no <tick>.bmp in $folder within 20 s of the copy"
    [[ -n $bmp ]] || sleep 0.2
done
e2e_note "the picture was saved as ${bmp##*/}"
e2e_wait_window '^添加$' 20
e2e_settle
e2e_screenshot e2e-clipboard-picture
# identify names the BMP variant (BMP3 for the Windows 3 header).
[[ $(identify -format '%m %w %h' "$bmp") =~ ^BMP[0-9]?\ 41\ 23$ ]] ||
    e2e_fail "${bmp##*/} is $(identify -format '%m %w %h' "$bmp"), expected a BMP of 41 x 23"
e2e_note "${bmp##*/} is a BMP of the copied picture's size"
close_editor "$E2E_WID"

kill -TERM "$E2E_PID"
e2e_wait_exit 10 || e2e_fail "the program still runs 10 s after TERM"
