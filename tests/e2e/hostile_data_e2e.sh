#!/bin/sh
# tests/e2e/hostile_data_e2e.sh -- the real program on damaged copies of DATA/: every case must reach its
# expected outcome by itself, within a bound, and never crash, hang or trip a sanitizer.
#
# Usage: hostile_data_e2e.sh PROGRAM SOURCE_DIR [--workers N] [--only NAME]
#
# Each case copies DATA/ (links to the real files) into a folder of its own, damages one file and
# runs PROGRAM there under a virtual X server. The settings dialog is accepted at 640 x 480 windowed,
# then one of two outcomes is expected:
#   2, 5  the "ERREUR" box with that failure's number ("Erreur Brimt 2" for images and models,
#         "Erreur Brimt 5" for the module) is shown and copied to stderr; Enter dismisses it and the
#         program ends with that number as its exit status;
#   show  the damage leaves a file that still loads: the show's window comes up and is still running
#         a few seconds later, with no error; Escape ends it with status 0.
# Cases are shared out among N workers (default 2), each with its own Xvfb, so that the whole table
# takes about a minute.
set -u

usage() {
    echo "usage: $0 PROGRAM SOURCE_DIR [--workers N] [--only NAME]" >&2
    exit 2
}
[ $# -ge 2 ] || usage
PROGRAM=$1
SOURCE=$2
shift 2
WORKERS=2
ONLY=
while [ $# -gt 0 ]; do
    case $1 in
    --workers) [ $# -ge 2 ] || usage; WORKERS=$2; shift 2 ;;
    --only) [ $# -ge 2 ] || usage; ONLY=$2; shift 2 ;;
    *) usage ;;
    esac
done
case $PROGRAM in /*) ;; *) PROGRAM=$(pwd)/$PROGRAM ;; esac
[ -x "$PROGRAM" ] || { echo "hostile_data: $PROGRAM is not a program" >&2; exit 1; }
[ -d "$SOURCE/DATA" ] || { echo "hostile_data: no DATA/ in $SOURCE" >&2; exit 1; }
SOURCE=$(cd "$SOURCE" && pwd)
for tool in Xvfb xdotool xwininfo timeout python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "hostile_data: $tool is missing" >&2; exit 1; }
done

DIALOG="Drufo Object Demo Server Setup"
GLWINDOW="DrUfo Demo"
WORK=$(mktemp -d /tmp/brimt-hostile.XXXXXX)
PIDS=

cleanup() {
    for pid in $PIDS; do kill "$pid" 2>/dev/null; done
    for f in "$WORK"/worker*/xvfb.pid; do [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the cases ------------------------------------------------------------------------------------
# name | file in DATA/ | damage | expected outcome (2, 5 or show)
CASES="
jpeg-missing|Present.JPG|missing|2
jpeg-truncated|Present.JPG|truncate-half|2
jpeg-random|Present.JPG|random|2
jpeg-huge-header|Present.JPG|jpeg-65535|2
jpeg-cut-in-scan|face3.JPG|jpeg-cut-in-scan|2
jpeg-stray-bytes|Present.JPG|jpeg-stray-bytes|show
jpeg-dev-zero|greets.JPG|dev-zero|2
asc-missing|test.ASC|missing|2
asc-truncated|marto.ASC|truncate-half|2
asc-random|clou.ASC|random|2
asc-count-max|test.ASC|asc-count-2147483647|2
asc-count-minus-one|trucmuch.ASC|asc-count--1|2
asc-face-past-vertices|marto.ASC|asc-face-past-vertices|2
asc-sparse-huge-count|clou.ASC|asc-sparse-huge-count|2
asc-long-junk-line|test.ASC|asc-long-line|show
asc-no-final-newline|clou.ASC|no-final-newline|show
asc-dev-zero|test.ASC|dev-zero|2
xm-missing|Pkfloyd.xm|missing|5
xm-random|Pkfloyd.xm|random|5
xm-cut-short|Pkfloyd.xm|truncate-half|show
"

# damage FILE HOW: turns the copy FILE (a link to the real file) into the damaged file.
damage() {
    python3 - "$1" "$2" <<'PY'
import os, random, sys
path, how = sys.argv[1], sys.argv[2]
real = os.path.realpath(path)
data = open(real, "rb").read()
os.remove(path)
rng = random.Random(20261210)

def asc_replace(old, new, count=1):
    text = data.decode("latin-1")
    assert old in text, old
    return text.replace(old, new, count).encode("latin-1")

if how == "missing":
    sys.exit(0)
elif how == "dev-zero":
    os.symlink("/dev/zero", path)
    sys.exit(0)
elif how == "truncate-half":
    out = data[: len(data) // 2]
elif how == "random":
    out = bytes(rng.randrange(256) for _ in range(len(data)))
elif how == "jpeg-65535":  # the frame header claims 65535 x 65535 pixels
    at = data.find(b"\xff\xc0")
    out = data[: at + 5] + b"\xff\xff\xff\xff" + data[at + 9 :]
elif how == "jpeg-cut-in-scan":
    at = data.find(b"\xff\xda")
    out = data[: at + (len(data) - at) // 2]
elif how == "jpeg-stray-bytes":  # bytes between two markers, as some writers leave them
    at = data.find(b"\xff\xda")
    out = data[:at] + b"\x00stray\x00" + data[at:]
elif how == "asc-count-2147483647":
    text = data.decode("latin-1")
    line = text[text.index("Tri-mesh, Vertices:") :].split("\n", 1)[0]
    out = asc_replace(line, "Tri-mesh, Vertices: 2147483647     Faces: 2147483647")
elif how == "asc-count--1":
    text = data.decode("latin-1")
    line = text[text.index("Tri-mesh, Vertices:") :].split("\n", 1)[0]
    out = asc_replace(line, "Tri-mesh, Vertices: -1     Faces: -1")
elif how == "asc-face-past-vertices":
    text = data.decode("latin-1")
    at = text.index("Face 0:")
    line = text[at:].split("\n", 1)[0]
    out = asc_replace(line, "Face 0:    A:0 B:1 C:999999 AB:1 BC:1 CA:1")
elif how == "asc-sparse-huge-count":  # 500,000,000 faces, and an apparent size that would allow them
    text = data.decode("latin-1")
    line = text[text.index("Tri-mesh, Vertices:") :].split("\n", 1)[0]
    vertices = line.split("Vertices:")[1].split()[0]
    out = asc_replace(line, "Tri-mesh, Vertices: %s     Faces: 500000000" % vertices)
    open(path, "wb").write(out)
    os.truncate(path, 8 << 30)
    sys.exit(0)
elif how == "asc-long-line":  # a 100,000-character junk line before the first object
    out = b"#" + b"x" * 99998 + b"\n" + data
elif how == "no-final-newline":
    out = data.rstrip(b"\r\n")
else:
    sys.exit("unknown damage " + how)
open(path, "wb").write(out)
PY
}

# --- one X server per worker ----------------------------------------------------------------------
# start_xvfb DIR: prints the display; -noreset keeps the server when its last client leaves.
start_xvfb() {
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >/dev/null 2>"$1/xvfb.log" &
    echo $! >"$1/xvfb.pid"
    tries=0
    while [ ! -s "$1/display" ]; do
        tries=$((tries + 1))
        [ $tries -le 100 ] || return 1
        sleep 0.1
    done
    echo ":$(head -n 1 "$1/display")"
}

. "$(dirname "$0")/x11windows.sh"

keys() {
    target=$1
    shift
    timeout 10 xdotool windowfocus "$target" >/dev/null 2>&1
    sleep 0.3
    timeout 10 xdotool key --delay 100 "$@" >/dev/null 2>&1
}

# How the program is started: in folder $1, stdout to $2, stderr to $3; sets APP_PID. The one place
# to change when the program learns other ways to be started.
launch_brimt() {
    (cd "$1" && exec "$PROGRAM") >"$2" 2>"$3" &
    APP_PID=$!
}

# press_to_end WINDOW KEY: presses KEY in WINDOW until the program ends (three tries, 10 s apart: a key
# sent while the window is still taking the focus can be lost on a busy machine); sets STATUS.
press_to_end() {
    tries=0
    while [ $tries -lt 3 ]; do
        keys "$1" "$2"
        wait_exit 10 && return 0
        tries=$((tries + 1))
    done
    return 1
}

# wait_exit SECONDS: STATUS once the program ended; fails when it is still running after SECONDS (the
# caller kills it in the end).
wait_exit() {
    n=0
    while kill -0 "$APP_PID" 2>/dev/null; do
        n=$((n + 1))
        if [ $n -gt $(($1 * 10)) ]; then
            STATUS=124
            return 1
        fi
        sleep 0.1
    done
    wait "$APP_PID"
    STATUS=$?
    return 0
}

# run_case NAME FILE HOW EXPECT: prints "PASS ..." or "FAIL ..." with the reason.
run_case() {
    name=$1 file=$2 how=$3 expect=$4
    dir=$WORK/cases/$name
    mkdir -p "$dir/DATA"
    for f in "$SOURCE"/DATA/*; do ln -s "$f" "$dir/DATA/"; done
    damage "$dir/DATA/$file" "$how" || { echo "FAIL $name: could not damage $file"; return; }
    out=$dir/stdout err=$dir/stderr
    launch_brimt "$dir" "$out" "$err"
    problem=
    if ! dialog=$(wait_window "$DIALOG" 60); then
        problem="no settings dialog"
    else
        keys "$dialog" alt+f alt+r Up Up Return # windowed, 640 x 480
        case $expect in
        show)
            if ! gl=$(wait_window "$GLWINDOW" 60); then
                problem="the show did not start"
            else
                sleep 3
                if ! kill -0 "$APP_PID" 2>/dev/null; then
                    problem="the show ended by itself 3 s in"
                elif window_id ERREUR >/dev/null; then
                    problem="an ERREUR box"
                else
                    press_to_end "$gl" Escape || problem="still running 30 s after Escape"
                    [ -n "$problem" ] || [ "$STATUS" -eq 0 ] || problem="exit status $STATUS after Escape"
                fi
            fi
            ;;
        *)
            if ! box=$(wait_window ERREUR 90); then
                problem="no ERREUR box"
            else
                press_to_end "$box" Return || problem="still running 30 s after the ERREUR box"
                [ -n "$problem" ] || [ "$STATUS" -eq "$expect" ] || problem="exit status $STATUS, expected $expect"
                grep -q "Erreur Brimt $expect" "$err" || problem="${problem:+$problem; }no \"Erreur Brimt $expect\" on stderr"
            fi
            ;;
        esac
    fi
    if kill -0 "$APP_PID" 2>/dev/null; then
        kill -KILL "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    if grep -qE 'Sanitizer|runtime error:|terminate called|Segmentation|Aborted' "$err"; then
        problem="${problem:+$problem; }a crash or sanitizer report on stderr"
    fi
    if [ -z "$problem" ]; then
        echo "PASS $name ($file, $how): $expect"
    else
        echo "FAIL $name ($file, $how): expected $expect: $problem"
        sed 's/^/    stderr: /' "$err" | head -n 20
    fi
}

# worker K: runs every case whose position modulo WORKERS is K, under an X server of its own.
worker() {
    wdir=$WORK/worker$1
    mkdir -p "$wdir"
    if ! DISPLAY=$(start_xvfb "$wdir"); then
        echo "FAIL worker $1: Xvfb did not start"
        return
    fi
    export DISPLAY
    i=0
    echo "$CASES" | while IFS='|' read -r name file how expect; do
        [ -n "$name" ] || continue
        i=$((i + 1))
        [ $((i % WORKERS)) -eq "$1" ] || continue
        [ -z "$ONLY" ] || [ "$ONLY" = "$name" ] || continue
        run_case "$name" "$file" "$how" "$expect"
    done
    kill "$(cat "$wdir/xvfb.pid")" 2>/dev/null
}

export SDL_VIDEODRIVER=x11
export SDL_AUDIODRIVER=dummy
start=$(date +%s)
k=0
while [ $k -lt "$WORKERS" ]; do
    worker $k >"$WORK/results$k" 2>&1 &
    PIDS="$PIDS $!"
    k=$((k + 1))
done
for pid in $PIDS; do wait "$pid"; done
PIDS=
cat "$WORK"/results*
echo "hostile_data: $(($(date +%s) - start)) s"
if grep -q '^FAIL' "$WORK"/results*; then
    echo "hostile_data: FAILED" >&2
    exit 1
fi
echo "hostile_data: every case reached its outcome"
exit 0
