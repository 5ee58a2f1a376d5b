# shellcheck shell=bash
# Sourced by the scripts that need a private X server (./test, scripts/screenshots, the package test).
#
# xvfb_start LOG_DIR: starts Xvfb on a free display (-displayfd picks it and reports its number once
# the server accepts clients; -noreset keeps it from resetting between two clients; -nolisten tcp: only
# local clients, through its socket, users other than the caller's included). Sets XVFB_PID and
# XVFB_DISPLAY (":N"). Returns non-zero, with the server's log on stderr, when it does not come up
# within 10 s. The caller stops it with xvfb_stop, on every way out.
XVFB_PID=""
XVFB_DISPLAY=""

xvfb_start() {
    local log_dir=$1 i
    # Made here, before the server's shell opens it in the background: the loop below reads it at once.
    : >"$log_dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$log_dir/display" \
        >"$log_dir/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for ((i = 0; i < 100; i++)); do
        if [[ $(wc -l <"$log_dir/display") -ge 1 ]]; then
            XVFB_DISPLAY=:$(head -n 1 "$log_dir/display")
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "Xvfb did not start:" >&2
    cat "$log_dir/xvfb.log" >&2
    return 1
}

xvfb_stop() {
    if [[ -n $XVFB_PID ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
