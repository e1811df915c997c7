#!/bin/sh
# tests/e2e/shell_e2e.sh -- drives a Brimt program in a virtual X server of its own: dialog, GL window, messages.
#
# Usage: shell_e2e.sh PROGRAM [--expect-output TEXT] [--expect-colour R,G,B] [--workdir DIR] [--shots DIR]
#                     [--play-through SECONDS] [--message-boxes] [--closer CLOSEWINDOW]
#
# Starts Xvfb (1024x768, 24 bits, never resetting; it picks a free display number itself), then runs PROGRAM several
# times and plays the user with xdotool:
#   1. Escape at the settings dialog: exit status 0, and no GL window ever appears. The dialog asks the
#      window manager for a title and a border only (its Motif hints, read back with xprop).
#   2. Windowed 640x480 (Alt+F, Alt+R, Up, Up, Enter): a 640x480 window at the screen's top-left
#      corner; Escape in it ends the run with status 0.
#   3. Full screen at the defaults (Enter): a 1024x768 window covering the screen; Escape, status 0.
#   4. Full screen 1600x1200, a mode this screen cannot have: the "Brimt" question; Enter (Oui) gives
#      a 1600x1200 window; Escape, status 0.
#   5. The same question answered with Escape (Non): "Fin du programme.", then the "ERREUR" box for
#      failure 1, each dismissed with Enter; status 1.
# Every message box met must show its icon (a warning triangle, a stop sign; pictures of them are left
# in the shots folder as brimt-box-*.png). With --closer (tests/e2e/closewindow.cpp), the dialog is
# also closed as by a window manager's close button: Cancel, status 0.
# With --expect-output, each run that reaches the GL window and ends normally must print TEXT on
# stdout; with --expect-colour, the middle of the GL window must show that colour. A screenshot of
# the dialog is left in the --shots folder (default /tmp) as brimt-dialog.png, and one of the full-screen
# picture as brimt-window.png. With --play-through, a sixth run starts full screen and leaves the program
# alone: it must end by itself, with status 0, within SECONDS (a picture taken 25 s in is left as
# brimt-show.png). With --message-boxes (for tests/e2e/shell_e2e_app.cpp), each kind of message box is
# shown on its own (PROGRAM --message-box ...) and answered with Enter, Escape or a close, and a failure
# box is shown over the full-screen window (PROGRAM --init-fails). Every wait is bounded; the program is
# killed if it outstays them.
set -u

usage() {
    echo "usage: $0 PROGRAM [--expect-output TEXT] [--expect-colour R,G,B] [--workdir DIR] [--shots DIR]" \
        "[--play-through SECONDS] [--message-boxes] [--closer CLOSEWINDOW]" >&2
    exit 2
}

[ $# -ge 1 ] || usage
PROGRAM=$1
shift
EXPECT_OUTPUT=
EXPECT_COLOUR=
WORKDIR=$(pwd)
SHOTS=/tmp
PLAY_THROUGH=0
MESSAGE_BOXES=0
CLOSER=
while [ $# -gt 0 ]; do
    case $1 in
    --expect-output) [ $# -ge 2 ] || usage; EXPECT_OUTPUT=$2; shift 2 ;;
    --expect-colour) [ $# -ge 2 ] || usage; EXPECT_COLOUR=$2; shift 2 ;;
    --workdir) [ $# -ge 2 ] || usage; WORKDIR=$2; shift 2 ;;
    --shots) [ $# -ge 2 ] || usage; SHOTS=$2; shift 2 ;;
    --play-through) [ $# -ge 2 ] || usage; PLAY_THROUGH=$2; shift 2 ;;
    --message-boxes) MESSAGE_BOXES=1; shift ;;
    --closer) [ $# -ge 2 ] || usage; CLOSER=$2; shift 2 ;;
    *) usage ;;
    esac
done
case $PROGRAM in /*) ;; *) PROGRAM=$(pwd)/$PROGRAM ;; esac
mkdir -p "$SHOTS" || { echo "shell_e2e: cannot write to $SHOTS" >&2; exit 1; }
[ -x "$PROGRAM" ] || { echo "shell_e2e: $PROGRAM is not a program" >&2; exit 1; }

for tool in Xvfb xdotool xwininfo xprop import convert timeout; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "shell_e2e: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    }
done

DIALOG="Drufo Object Demo Server Setup"
# Every wait also ends at this deadline, so that the whole script stays well inside the test's timeout.
DEADLINE=$(($(date +%s) + 240 + PLAY_THROUGH))
GLWINDOW="DrUfo Demo"
WORK=$(mktemp -d /tmp/brimt-e2e.XXXXXX)
XVFB_PID=
APP_PID=
FAILED=0

cleanup() {
    if [ -n "$APP_PID" ]; then kill -KILL "$APP_PID" 2>/dev/null; fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the X server ---------------------------------------------------------------------------------

# -noreset: by default the server resets itself each time its last client disconnects, and drops any
# client that connects while it does so. Every xwininfo and xdotool below, and each run of the program,
# is for a moment the only client: the next one to connect could find the display refused. -displayfd
# lets the server take the first display number free on this machine, so that several of these scripts
# can run side by side. The server is bounded by the deadline too, in case this script is killed.
: >"$WORK/display"
timeout -s KILL $((DEADLINE - $(date +%s) + 60)) \
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!

xvfb_failed() {
    echo "shell_e2e: Xvfb $1" >&2
    cat "$WORK/xvfb.log" >&2
    exit 1
}

# The server writes its display number and a newline once it listens for clients.
limit=$(($(date +%s) + 30))
until [ "$(wc -l <"$WORK/display")" -ge 1 ]; do
    kill -0 "$XVFB_PID" 2>/dev/null || xvfb_failed "ended at start-up"
    [ "$(date +%s)" -lt "$limit" ] || xvfb_failed "gave no display number within 30 s"
    sleep 0.1
done
DISPLAY=:$(head -n 1 "$WORK/display")
export DISPLAY
# And answers them: a first client must get through before any program is run.
until xwininfo -root >/dev/null 2>&1; do
    kill -0 "$XVFB_PID" 2>/dev/null || xvfb_failed "ended at start-up"
    [ "$(date +%s)" -lt "$limit" ] || xvfb_failed "on $DISPLAY accepted no client within 30 s"
    sleep 0.1
done
export SDL_VIDEODRIVER=x11
export SDL_AUDIODRIVER=dummy
echo "shell_e2e: Xvfb on $DISPLAY"

# --- helpers --------------------------------------------------------------------------------------

fail() {
    echo "FAIL: $*" >&2
    FAILED=1
}

. "$(dirname "$0")/x11windows.sh"

# Waits up to $1 seconds for window $2 to be gone from the screen.
wait_gone() {
    n=0
    while xwininfo -id "$2" 2>/dev/null | grep -q 'Map State: IsViewable'; do
        n=$((n + 1))
        [ $n -gt $(($1 * 10)) ] && return 1
        [ "$(date +%s)" -lt "$DEADLINE" ] || return 1
        sleep 0.1
    done
    return 0
}

# "X Y WIDTH HEIGHT" of window $1.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
                             /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print x, y, w, h}'
}

# Gives window $1 the keyboard focus, then types the keys that follow.
keys() {
    target=$1
    shift
    timeout 10 xdotool windowfocus "$target" >/dev/null 2>&1
    sleep 0.3
    timeout 10 xdotool key --delay 100 "$@"
}

screenshot() {
    timeout 20 import -window root "$1"
}

# "R,G,B" of pixel ($2, $3) in picture $1.
colour_at() {
    convert "$1" -format "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}

# Runs PROGRAM as run $1, with the arguments that follow.
start() {
    RUN=$1
    shift
    (cd "$WORKDIR" && exec "$PROGRAM" "$@") >"$WORK/$RUN.out" 2>"$WORK/$RUN.err" &
    APP_PID=$!
}

# Waits up to $1 seconds for the program to end and sets STATUS; kills it when it outstays.
# With $2, fails if a window of that name shows up meanwhile.
wait_exit() {
    n=0
    while kill -0 "$APP_PID" 2>/dev/null; do
        if [ $# -ge 2 ] && window_id "$2" >/dev/null; then
            fail "$RUN: a window \"$2\" appeared"
        fi
        n=$((n + 1))
        if [ $n -gt $(($1 * 10)) ] || [ "$(date +%s)" -ge "$DEADLINE" ]; then
            fail "$RUN: still running after $1 s"
            kill -TERM "$APP_PID" 2>/dev/null
            sleep 2
            kill -KILL "$APP_PID" 2>/dev/null
            break
        fi
        sleep 0.1
    done
    wait "$APP_PID"
    STATUS=$?
    APP_PID=
}

show_run() {
    echo "--- $RUN: stdout" >&2
    cat "$WORK/$RUN.out" >&2
    echo "--- $RUN: stderr" >&2
    cat "$WORK/$RUN.err" >&2
}

expect_status() {
    if [ "$STATUS" -ne "$1" ]; then
        fail "$RUN: exit status $STATUS, expected $1"
    fi
}

expect_output() {
    if [ -n "$EXPECT_OUTPUT" ] && ! grep -qF "$EXPECT_OUTPUT" "$WORK/$RUN.out"; then
        fail "$RUN: \"$EXPECT_OUTPUT\" not on stdout"
    fi
}

# Checks the GL window $1 against "X Y WIDTH HEIGHT" $2, then its picture's colour.
expect_window() {
    got=$(geometry "$1")
    [ "$got" = "$2" ] || fail "$RUN: GL window at \"$got\", expected \"$2\""
    if [ -n "$EXPECT_COLOUR" ]; then
        sleep 1 # a few frames
        screenshot "$WORK/$RUN.png"
        set -- $got
        colour=$(colour_at "$WORK/$RUN.png" $(($1 + $3 / 2)) $(($2 + $4 / 2)))
        [ "$colour" = "$EXPECT_COLOUR" ] || fail "$RUN: the picture is $colour, expected $EXPECT_COLOUR"
        [ "$RUN" = fullscreen ] && cp "$WORK/$RUN.png" "$SHOTS/brimt-window.png"
    fi
}

# Message box $1 must show icon $2 (exclamation, stop or information): its 32x32 corner at (12, 12)
# must hold enough of the colour that sign is drawn in. A picture of the box is left in the shots
# folder as brimt-box-$3.png.
expect_icon() {
    case $2 in
    exclamation) sign=255,255,0 ;;
    stop) sign=255,0,0 ;;
    *) sign=0,0,255 ;;
    esac
    sleep 0.5 # let it draw
    screenshot "$WORK/box.png"
    set -- $(geometry "$1") "$2" "$3"
    convert "$WORK/box.png" -crop "${3}x${4}+${1}+${2}" +repage "$SHOTS/brimt-box-$6.png"
    count=$(convert "$WORK/box.png" -crop "32x32+$(($1 + 12))+$(($2 + 12))" +repage \
        -fill black +opaque "rgb($sign)" -fill white -opaque "rgb($sign)" -format "%[fx:round(mean*w*h)]" info:)
    [ "${count:-0}" -ge 40 ] || fail "$RUN: the $6 box shows no $5 icon ($count pixels of $sign)"
}

# Escape in GL window $1: the run must end normally.
escape_ends_run() {
    sleep 1 # as a person would: the program has built its show and drawn its first frames
    keys "$1" Escape
    wait_exit 30
    expect_status 0
    expect_output
}

scenario_failed() {
    if [ "$FAILED" -ne 0 ]; then
        show_run
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "--- the X server has ended:" >&2
            cat "$WORK/xvfb.log" >&2
        fi
    fi
    [ -n "$APP_PID" ] && { kill -KILL "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; APP_PID=; }
    RESULT=$((RESULT + FAILED))
    FAILED=0
}
RESULT=0

# --- 1. Escape at the dialog ----------------------------------------------------------------------
start cancel
if dialog=$(wait_window "$DIALOG" 30); then
    sleep 0.5 # let it draw
    screenshot "$WORK/screen.png"
    set -- $(geometry "$dialog")
    convert "$WORK/screen.png" -crop "${3}x${4}+${1}+${2}" +repage "$SHOTS/brimt-dialog.png"
    echo "shell_e2e: dialog ${3}x${4} at ${1},${2}; picture in $SHOTS/brimt-dialog.png"
    # Motif hints: functions and decorations given (0x3); move only (0x4); border and title (0xa).
    hints=$(xprop -id "$dialog" _MOTIF_WM_HINTS 2>&1)
    case $hints in
    *" = 0x3, 0x4, 0xa, 0x0, 0x0") ;;
    *) fail "cancel: the dialog asks for other decorations than a title and a border: $hints" ;;
    esac
    keys "$dialog" Escape
    wait_exit 20 "$GLWINDOW"
    expect_status 0
else
    fail "cancel: no settings dialog"
fi
scenario_failed

# --- 1b. The dialog closed as by a window manager's close button: Cancel --------------------------
if [ -n "$CLOSER" ]; then
    start closed
    if dialog=$(wait_window "$DIALOG" 30); then
        "$CLOSER" "$dialog" || fail "closed: the close request was not sent"
        wait_exit 20 "$GLWINDOW"
        expect_status 0
    else
        fail "closed: no settings dialog"
    fi
    scenario_failed
fi

# --- 2. Windowed 640x480 --------------------------------------------------------------------------
start windowed
if dialog=$(wait_window "$DIALOG" 30); then
    keys "$dialog" alt+f alt+r Up Up Return
    if gl=$(wait_window "$GLWINDOW" 30); then
        expect_window "$gl" "0 0 640 480"
        escape_ends_run "$gl"
    else
        fail "windowed: no GL window"
    fi
else
    fail "windowed: no settings dialog"
fi
scenario_failed

# --- 3. Full screen at the defaults ---------------------------------------------------------------
start fullscreen
if dialog=$(wait_window "$DIALOG" 30); then
    keys "$dialog" Return
    if gl=$(wait_window "$GLWINDOW" 30); then
        expect_window "$gl" "0 0 1024 768"
        escape_ends_run "$gl"
    else
        fail "fullscreen: no GL window"
    fi
else
    fail "fullscreen: no settings dialog"
fi
scenario_failed

# --- 4. A refused full-screen mode, then a window ------------------------------------------------
start fallback
if dialog=$(wait_window "$DIALOG" 30); then
    keys "$dialog" alt+r Down Down Down Return
    if question=$(wait_window "Brimt" 30); then
        expect_icon "$question" exclamation question
        keys "$question" Return
        if gl=$(wait_window "$GLWINDOW" 30); then
            expect_window "$gl" "0 0 1600 1200"
            escape_ends_run "$gl"
        else
            fail "fallback: no GL window after Oui"
        fi
    else
        fail "fallback: no question about the refused mode"
    fi
else
    fail "fallback: no settings dialog"
fi
scenario_failed

# --- 5. A refused full-screen mode, and no window -------------------------------------------------
start refused
if dialog=$(wait_window "$DIALOG" 30); then
    keys "$dialog" alt+r Down Down Down Return
    if question=$(wait_window "Brimt" 30); then
        keys "$question" Escape
        wait_gone 10 "$question" || fail "refused: the question stays after Non"
        if last=$(wait_window "Brimt" 30); then
            expect_icon "$last" stop end
            keys "$last" Return # "Fin du programme."
            if failure=$(wait_window "ERREUR" 30); then
                expect_icon "$failure" exclamation failure
                keys "$failure" Return
                wait_exit 20 "$GLWINDOW"
                expect_status 1
                grep -q "Fin du programme." "$WORK/refused.err" || fail "refused: no \"Fin du programme.\" on stderr"
                grep -q "Erreur Brimt 1" "$WORK/refused.err" || fail "refused: no failure 1 on stderr"
            else
                fail "refused: no ERREUR box"
            fi
        else
            fail "refused: no \"Fin du programme.\" box"
        fi
    else
        fail "refused: no question about the refused mode"
    fi
else
    fail "refused: no settings dialog"
fi
scenario_failed

# --- 6. The whole show, left alone ---------------------------------------------------------------
if [ "$PLAY_THROUGH" -gt 0 ]; then
    start playthrough
    if dialog=$(wait_window "$DIALOG" 30); then
        keys "$dialog" Return
        if gl=$(wait_window "$GLWINDOW" 30); then
            sleep 25
            screenshot "$SHOTS/brimt-show.png"
            wait_exit "$PLAY_THROUGH"
            expect_status 0
            echo "shell_e2e: the show ended by itself with status $STATUS"
        else
            fail "playthrough: no GL window"
        fi
    else
        fail "playthrough: no settings dialog"
    fi
    scenario_failed
fi

# --- 7. Each kind of message box, on its own ---------------------------------------------------------
if [ "$MESSAGE_BOXES" -ne 0 ]; then
    THREE_LINES="Liberation du contexte impossible
Seconde ligne, accentuée: é à ç
@ & troisième"
    ONE_LINE=$(printf '%s' "$THREE_LINES" | tr '\n' ' ')
    # run, text (three lines or one), icon, buttons, key, answer
    # (close: closed as by a window manager's close button, with --closer's program)
    while read -r run lines icon buttons key answer <&4; do
        [ "$key" = close ] && [ -z "$CLOSER" ] && continue
        text=$ONE_LINE
        [ "$lines" = three ] && text=$THREE_LINES
        start "$run" --message-box Brimt "$text" "$icon" "$buttons"
        if box=$(wait_window "Brimt" 30); then
            expect_icon "$box" "$icon" "$run"
            eval "size_$run=\$(geometry \"\$box\")"
            if [ "$key" = close ]; then
                "$CLOSER" "$box" || fail "$run: the close request was not sent"
            else
                keys "$box" "$key"
            fi
            wait_exit 20
            expect_status 0
            grep -qx "answer $answer" "$WORK/$run.out" || fail "$run: $key did not answer $answer"
            grep -qxF "Brimt: $ONE_LINE" "$WORK/$run.err" || fail "$run: no copy of the message on stderr"
            if [ "$buttons" = yesno ]; then
                word=Oui
                [ "$answer" = yes ] || word=Non
                grep -qx "  -> $word" "$WORK/$run.err" || fail "$run: the answer $word is not on stderr"
            fi
        else
            fail "$run: no message box \"Brimt\""
        fi
        scenario_failed
    done 4<<EOF
information three information ok Return ok
oneline one information ok Escape ok
yes three exclamation yesno Return yes
no three exclamation yesno Escape no
stop three stop ok Return ok
closed three exclamation yesno close no
EOF
    # A failure told over the full-screen GL window: the box must come on top of it, and answer.
    start initfails --init-fails
    if dialog=$(wait_window "$DIALOG" 30); then
        keys "$dialog" Return
        if failure=$(wait_window "ERREUR" 30); then
            window_id "$GLWINDOW" >/dev/null || fail "initfails: no GL window under the box"
            expect_icon "$failure" exclamation initfails
            keys "$failure" Return
            wait_exit 20
            expect_status 2
            grep -q "Erreur Brimt 2" "$WORK/initfails.err" || fail "initfails: no failure 2 on stderr"
        else
            fail "initfails: no ERREUR box over the GL window"
        fi
    else
        fail "initfails: no settings dialog"
    fi
    scenario_failed

    # The line breaks are kept: three lines make a narrower, taller box than the same text on one.
    set -- ${size_information:-0 0 0 0} ${size_oneline:-0 0 0 0}
    if [ "$3" -ge "$7" ] || [ "$4" -le "$8" ]; then
        echo "FAIL: message boxes: three lines in a ${3}x${4} box, one line in ${7}x${8}" >&2
        RESULT=$((RESULT + 1))
    fi
fi

if [ "$RESULT" -ne 0 ]; then
    echo "shell_e2e: FAILED" >&2
    exit 1
fi
echo "shell_e2e: all runs passed"
exit 0
