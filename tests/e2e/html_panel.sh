#!/usr/bin/env bash
# The HTML panel's browser is a module that the program loads when the panel is first opened: the
# program links nothing of Qt WebEngine, Qt Quick or QML, and a started program has none of them
# mapped, also with a bank open and an editor showing. "插入HTML元素" loads the module and shows the
# helper page, and the browser's library finds Qt set up as it needs (it says nothing on stderr about
# its initialisation).
#
# Usage: html_panel.sh PROGRAM_DIR [WORK_DIR]   (needs DISPLAY)
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

e2e_setup "$@"
e2e_require_x
browser_libraries='libQt6(WebEngine|Quick|Qml)[A-Za-z]*'

linked=$(ldd "$E2E_RUN_DIR/qelbrin" | grep -E -o "$browser_libraries" | sort -u | tr '\n' ' ' || true)
[[ -z $linked ]] || e2e_fail "the program links the browser's libraries: $linked"

# The browser's libraries the running program has mapped, by name.
mapped() { grep -E -o "$browser_libraries" "/proc/$E2E_PID/maps" | sort -u | tr '\n' ' ' || true; }

e2e_start
e2e_wait_window '^选择题库$' 20
[[ -z $(mapped) ]] || e2e_fail "the chooser is shown with the browser's libraries mapped: $(mapped)"
e2e_settle
# "打开" (covers x 24-97, y 90-132): the copy holds the sample bank alone.
e2e_click_away "$E2E_WID" 60 111
e2e_wait_window '^示例题库题库作者是：' 20
main=$E2E_WID
e2e_settle
# "添加" (covers x 396-484, y 484-520 of the main window).
xdotool mousemove --window "$main" 440 502 click 1
e2e_wait_window '^添加$' 20
editor=$E2E_WID
e2e_settle
[[ -z $(mapped) ]] || e2e_fail "an editor is shown with the browser's libraries mapped: $(mapped)"

# "插入HTML元素" covers x 196-306, y 180-206 of the editor. The module is loaded within the click's
# handler; a window just shown may miss the click, so it is repeated (reopening the panel only loads
# the page again) while nothing has been loaded 10 s later.
for attempt in 1 2 3; do
    ((attempt == 1)) || e2e_note "nothing loaded 10 s after the click on 插入HTML元素: clicking again"
    xdotool mousemove --window "$editor" 251 193 click 1
    deadline=$((SECONDS + 10))
    while [[ $(mapped) != *libQt6WebEngineCore* ]] && ((SECONDS < deadline)); do
        kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended after 插入HTML元素"
        sleep 0.2
    done
    [[ $(mapped) != *libQt6WebEngineCore* ]] || break
done
[[ $(mapped) == *libQt6WebEngineCore* ]] || e2e_fail "the browser's library was not loaded after 插入HTML元素"
e2e_note "after 插入HTML元素 the program maps: $(mapped)"
# Time for the page to load and show.
sleep 5
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended while the helper page loaded"
e2e_screenshot e2e-html-panel
if grep -E "initialized from a plugin|used before QtWebEngineCore::initialize|must be set before QCoreApplication" \
    "$E2E_TMP/stderr"; then
    e2e_fail "the browser's library complained about how it was set up (above)"
fi
e2e_note "the panel opened with the browser loaded from its module"
