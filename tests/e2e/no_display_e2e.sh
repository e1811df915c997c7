#!/bin/sh
# tests/e2e/no_display_e2e.sh -- the real program's live run with no display fails at once, says so and
# points to --capture, instead of playing where nobody sees it.
# Usage: no_display_e2e.sh BRIMT DATA_DIR
set -u
brimt=$1
data=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0

# check NAME EXPECTED_STATUS TEXT... -- ARGS...: runs brimt ARGS with no display named and no video
# driver asked for; its status must be EXPECTED_STATUS and its stderr must hold every TEXT.
check() {
    name=$1
    expected=$2
    shift 2
    texts=""
    while [ "$1" != "--" ]; do
        texts="$texts
$1"
        shift
    done
    shift
    # 60 s is far beyond "at once" (well under a second) and far below the 92 s the show lasts.
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 60 "$brimt" --data "$data" "$@" \
        >"$out/stdout" 2>"$out/stderr" </dev/null
    status=$?
    if [ "$status" -ne "$expected" ]; then
        echo "FAIL $name: status $status, expected $expected"
        failures=$((failures + 1))
    fi
    echo "$texts" | while IFS= read -r text; do
        [ -z "$text" ] && continue
        if ! grep -qF -- "$text" "$out/stderr"; then
            echo "FAIL $name: stderr lacks \"$text\""
            echo x >>"$out/missing"
        fi
    done
    if [ -f "$out/missing" ]; then
        failures=$((failures + 1))
        rm -f "$out/missing"
        sed 's/^/  stderr: /' "$out/stderr"
    fi
    [ "$status" -eq "$expected" ] && echo "ok   $name"
}

check "settings given: the window's creation fails" 1 \
    "no display" "Erreur Brimt 1" "--capture FILE" -- --windowed --no-sound --size 64x48
check "full screen" 1 "no display" "Erreur Brimt 1" "--capture FILE" -- --fullscreen --no-sound
check "the settings dialog" 1 "settings dialog cannot be shown" "--capture FILE" --

[ "$failures" -eq 0 ]
