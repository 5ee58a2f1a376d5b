# shellcheck shell=bash
# Sourced by the end-to-end scripts: a private copy of the program directory, the program started
# there, bounded waits for its windows and for its end, screenshots, and cleanup on every way out.
#
# Arguments of every script: PROGRAM_DIR WORK_DIR (or the environment variables QELBRIN_PROGRAM_DIR
# and QELBRIN_E2E_WORK_DIR). PROGRAM_DIR is the built program directory; WORK_DIR receives the
# screenshots and the program's output, and defaults to the current directory.

# Window names and the regular expressions below hold Chinese text; xdotool must read and match them
# as UTF-8 whatever locale the caller runs in.
export LC_ALL=C.UTF-8

E2E_NAME=$(basename "${BASH_SOURCE[1]}" .sh)
E2E_PID=""
E2E_TMP=""
E2E_EXIT=""
E2E_WID=""
E2E_WORK_DIR=${QELBRIN_E2E_WORK_DIR:-$PWD}

e2e_note() { echo "$E2E_NAME: $*"; }
e2e_fail() {
    echo "$E2E_NAME: FAIL: $*" >&2
    exit 1
}

# Stops the program if it still runs, shows what it wrote when the script failed, and removes the
# copy. Runs on every exit, including the ones that INT and TERM turn into exits.
e2e_cleanup() {
    local rc=$?
    trap - EXIT
    set +e
    if ((rc != 0)) && [[ -n ${DISPLAY:-} ]] && command -v import >/dev/null; then
        timeout 10 import -window root "$E2E_WORK_DIR/$E2E_NAME-failure.png" 2>/dev/null &&
            echo "$E2E_NAME: screen at the failure: $E2E_WORK_DIR/$E2E_NAME-failure.png" >&2
    fi
    if [[ -n $E2E_PID ]] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill -TERM "$E2E_PID" 2>/dev/null
        local i
        for ((i = 0; i < 30; i++)); do
            kill -0 "$E2E_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$E2E_PID" 2>/dev/null
        wait "$E2E_PID" 2>/dev/null
    fi
    if ((rc != 0)) && [[ -n $E2E_TMP ]]; then
        local f
        for f in "$E2E_TMP/stdout" "$E2E_TMP/stderr"; do
            if [[ -s $f ]]; then
                echo "---- program ${f##*/} ----" >&2
                cat "$f" >&2
            fi
        done
    fi
    [[ -n $E2E_TMP ]] && rm -rf "$E2E_TMP"
    exit "$rc"
}
trap e2e_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# e2e_setup PROGRAM_DIR WORK_DIR: checks the arguments and lays out a fresh program directory in a
# temporary place: the program with its modules, its data directory and the sample bank with its
# folder, exactly as shipped. Banks a user may have added beside the built program are left out, so that the chooser
# lists the sample bank alone.
e2e_setup() {
    E2E_PROGRAM_DIR=${1:-${QELBRIN_PROGRAM_DIR:-}}
    E2E_WORK_DIR=${2:-${QELBRIN_E2E_WORK_DIR:-$PWD}}
    [[ -n $E2E_PROGRAM_DIR ]] || e2e_fail "no program directory given (argument 1 or QELBRIN_PROGRAM_DIR)"
    [[ -x $E2E_PROGRAM_DIR/qelbrin ]] || e2e_fail "$E2E_PROGRAM_DIR/qelbrin is missing: build the project first"
    local item
    for item in tavrindata 示例题库.stk 示例题库; do
        [[ -e $E2E_PROGRAM_DIR/$item ]] || e2e_fail "$E2E_PROGRAM_DIR/$item is missing: build the project first"
    done
    mkdir -p "$E2E_WORK_DIR"
    E2E_WORK_DIR=$(cd "$E2E_WORK_DIR" && pwd)

    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/qelbrin-e2e.XXXXXX")
    E2E_RUN_DIR=$E2E_TMP/Qelbrin
    mkdir "$E2E_RUN_DIR"
    for item in qelbrin tavrindata 示例题库.stk 示例题库; do
        cp -a "$E2E_PROGRAM_DIR/$item" "$E2E_RUN_DIR/"
    done
    # The modules the program loads when needed (the HTML panel's browser) lie beside it.
    cp -a "$E2E_PROGRAM_DIR"/*.so "$E2E_RUN_DIR/"
    # The session directory a desktop login provides; without it Qt warns on stderr.
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# e2e_start [env arguments...]: starts ./qelbrin in the copy, its working directory being its own
# directory as the program expects; the arguments go to env(1) first (for example -u DISPLAY).
# shellcheck disable=SC2120 # the env arguments are optional
e2e_start() {
    (cd "$E2E_RUN_DIR" && exec env "$@" ./qelbrin) </dev/null >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr" &
    E2E_PID=$!
    e2e_note "started qelbrin (pid $E2E_PID) in $E2E_RUN_DIR"
}

# e2e_start_on_sample_bank: starts the program, opens the sample bank through the chooser ("打开"
# covers x 24-97, y 90-132 of its client area; the copy holds the sample bank alone, so it is the
# selected one) and waits for the main window, which E2E_WID then names.
e2e_start_on_sample_bank() {
    e2e_start
    e2e_wait_window '^选择题库$' 20
    e2e_settle
    e2e_click_away "$E2E_WID" 60 111
    e2e_wait_window '^示例题库题库作者是：' 20
    e2e_settle
}

e2e_require_x() {
    [[ -n ${DISPLAY:-} ]] || e2e_fail "DISPLAY is not set: run this under the X server that ./test starts"
    local tool
    for tool in xdotool xwininfo import; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed (scripts/install-deps)"
    done
}

# e2e_wait_window REGEX SECONDS: waits for a visible window of the program whose name matches REGEX
# and sets E2E_WID. Polls instead of `xdotool search --sync`, which waits without bound and cannot
# notice that the program has died meanwhile.
e2e_wait_window() {
    local regex=$1 deadline=$((SECONDS + $2)) ids
    E2E_WID=""
    while :; do
        if ids=$(xdotool search --all --onlyvisible --pid "$E2E_PID" --name "$regex" 2>/dev/null) &&
            [[ -n $ids ]]; then
            E2E_WID=${ids%%$'\n'*}
            e2e_note "window '$regex' is $E2E_WID"
            return 0
        fi
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            e2e_reap
            e2e_fail "the program ended (exit code $E2E_EXIT) before a window named '$regex' appeared"
        fi
        ((SECONDS < deadline)) || e2e_fail "no window named '$regex' within $2 s"
        sleep 0.2
    done
}

# Collects the ended program's exit code into E2E_EXIT.
e2e_reap() {
    local rc=0
    wait "$E2E_PID" || rc=$?
    E2E_EXIT=$rc
    E2E_PID=""
}

# e2e_wait_exit SECONDS: true, with E2E_EXIT set, when the program ends within SECONDS.
e2e_wait_exit() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$E2E_PID" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
    e2e_reap
}

# e2e_window_size WID: prints "WIDTH HEIGHT" of the window's client area.
e2e_window_size() {
    xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w, h }'
}

# e2e_expect_size WID WIDTH HEIGHT: the client area is the given size, give or take a few pixels
# (a window system may round a fixed size).
e2e_expect_size() {
    local w h
    read -r w h < <(e2e_window_size "$1")
    [[ -n $w && -n $h ]] || e2e_fail "xwininfo gave no size for window $1"
    e2e_note "window $1 is ${w}x$h"
    if ((w < $2 - 4 || w > $2 + 4 || h < $3 - 4 || h > $3 + 4)); then
        e2e_fail "window $1 is ${w}x$h, expected about $2x$3"
    fi
}

# e2e_screenshot NAME: the whole screen into WORK_DIR/NAME.png, for people to look at. A screenshot
# that cannot be taken is reported but fails nothing: it checks nothing about the program.
e2e_screenshot() {
    local file=$E2E_WORK_DIR/$1.png
    if timeout 10 import -window root "$file"; then
        e2e_note "screenshot: $file"
    else
        e2e_note "warning: no screenshot could be taken into $file"
    fi
}

# e2e_window_shown WID: true while the window exists and is mapped.
e2e_window_shown() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# e2e_click_away WID X Y: a left click at X,Y of the window's client area, meant to make the window
# go away (close it or end the program). A window that has just been mapped may not take input yet,
# and there is no signal to wait for from outside; so the click is repeated, at most twice and said
# so, while the window is still shown 3 s later. Whether the right thing followed is for the caller
# to check.
e2e_click_away() {
    local attempt i
    for attempt in 1 2 3; do
        ((attempt == 1)) || e2e_note "window $1 still shown 3 s after the click: clicking again"
        xdotool mousemove --window "$1" "$2" "$3" click 1
        for ((i = 0; i < 15; i++)); do
            e2e_window_shown "$1" || return 0
            sleep 0.2
        done
    done
}

# Gives a window that has just been mapped a moment to be laid out and painted before it is
# photographed or clicked.
e2e_settle() {
    sleep 0.5
}
