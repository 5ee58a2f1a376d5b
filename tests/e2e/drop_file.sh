#!/usr/bin/env bash
# A picture dragged from another program onto the editor, as from a file manager: a real drag over
# the X server. The file is copied into the bank's folder under a tick-count name, shown, and the
# new question is saved with that name.
#
# Usage: drop_file.sh PROGRAM_DIR WORK_DIR DRAG_SOURCE   (needs DISPLAY)
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

e2e_setup "$@"
e2e_require_x
drag_source=${3:-}
[[ -x $drag_source ]] || e2e_fail "the drag source tool is missing (argument 3)"
command -v sqlite3 >/dev/null || e2e_fail "sqlite3 is not installed (scripts/install-deps)"
command -v convert >/dev/null || e2e_fail "convert is not installed (scripts/install-deps: imagemagick)"
bank=$E2E_RUN_DIR/示例题库.stk
picture=$E2E_TMP/dropped-cat.png
convert -size 120x80 xc:'#c81e28' "$picture"

e2e_start_on_sample_bank
main=$E2E_WID
xdotool mousemove --window "$main" 440 502 click 1
e2e_wait_window '^添加$' 20
editor=$E2E_WID
e2e_settle

# The source lies right of the editor (which stands at 286,129, 719 wide).
"$drag_source" 1060 200 "$picture" >"$E2E_TMP/drag.out" 2>"$E2E_TMP/drag.err" &
source_pid=$!
deadline=$((SECONDS + 20))
until grep -q ready "$E2E_TMP/drag.out" 2>/dev/null; do
    ((SECONDS < deadline)) || e2e_fail "the drag source did not start"
    sleep 0.1
done
sleep 0.5

# Press in the source, move in steps onto the picture area of the editor (366,212 in it), release.
eval "$(xdotool getwindowgeometry --shell "$editor")"
target_x=$((X + 500))
target_y=$((Y + 300))
xdotool mousemove 1140 260 mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((1140 + (target_x - 1140) * step / 10)) $((260 + (target_y - 260) * step / 10))
    sleep 0.05
done
sleep 0.3
xdotool mouseup 1

count_saved() { sqlite3 "file:$bank?mode=ro" "SELECT count(*) FROM tiku WHERE img LIKE '%dropped-cat.png'" 2>/dev/null || echo error; }
deadline=$((SECONDS + 15))
until [[ $(count_saved) == 1 ]]; do
    ((SECONDS < deadline)) || e2e_fail "no question with the dropped picture 15 s after the drop (drag source said: $(cat "$E2E_TMP/drag.out"))"
    sleep 0.2
done
name=$(sqlite3 "file:$bank?mode=ro" "SELECT img FROM tiku WHERE img LIKE '%dropped-cat.png'")
[[ $name =~ ^[0-9]+dropped-cat\.png$ ]] || e2e_fail "the stored picture name '$name' is not tick count + file name"
[[ -f $E2E_RUN_DIR/示例题库/$name ]] || e2e_fail "the picture was not copied into the bank's folder as $name"
cmp -s "$picture" "$E2E_RUN_DIR/示例题库/$name" || e2e_fail "the copy differs from the dropped file"
e2e_settle
e2e_screenshot e2e-dropped-picture
wait "$source_pid" 2>/dev/null || true
e2e_note "the dropped picture was copied as $name and the question saved with it"
