# tests/e2e/x11windows.sh -- finding the windows of a program under test on the X server in $DISPLAY.
# Sourced by the end-to-end scripts. wait_window watches the program whose pid is in $APP_PID, and
# gives up at $DEADLINE (seconds since the epoch) when that is set.

# The id of the viewable top-level window named exactly $1, or nothing.
window_id() {
    for id in $(xwininfo -root -tree 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\": .*/\1/p"); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# wait_window NAME SECONDS: the window's id once it shows; fails early when the program ends first.
wait_window() {
    n=0
    while [ $n -lt $(($2 * 10)) ]; do
        if id=$(window_id "$1"); then
            echo "$id"
            return 0
        fi
        kill -0 "$APP_PID" 2>/dev/null || return 1
        [ -z "${DEADLINE:-}" ] || [ "$(date +%s)" -lt "$DEADLINE" ] || return 1
        sleep 0.1
        n=$((n + 1))
    done
    return 1
}
