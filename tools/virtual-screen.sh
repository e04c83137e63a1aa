# shellcheck shell=bash
# Starts a virtual X screen (Xvfb, 1024x768 unless VIRTUAL_SCREEN_SIZE says
# otherwise) for Wine's virtual desktop. Sourced, not run:
#   . tools/virtual-screen.sh
#   start_virtual_screen FIRST_NUMBER     sets DISPLAY and VIRTUAL_SCREEN_PID
#   stop_virtual_screen
# The first display number from FIRST_NUMBER up that nobody uses is taken; a
# number that another program takes at the same moment makes Xvfb stop at once,
# and the next one is tried.

start_virtual_screen() {
    local number=$1 tries=0
    while [ "$tries" -lt 40 ]; do
        if [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; then
            number=$((number + 1)); tries=$((tries + 1)); continue
        fi
        Xvfb ":$number" -screen 0 "${VIRTUAL_SCREEN_SIZE:-1024x768}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
        VIRTUAL_SCREEN_PID=$!
        # Ready once it answers; gone if the number was taken after all.
        local waited=0
        while [ "$waited" -lt 100 ]; do
            kill -0 "$VIRTUAL_SCREEN_PID" 2>/dev/null || break
            if [ -e "/tmp/.X11-unix/X$number" ] && DISPLAY=":$number" timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1; then
                export DISPLAY=":$number"
                return 0
            fi
            sleep 0.1; waited=$((waited + 1))
        done
        kill "$VIRTUAL_SCREEN_PID" 2>/dev/null || true
        wait "$VIRTUAL_SCREEN_PID" 2>/dev/null || true
        VIRTUAL_SCREEN_PID=
        number=$((number + 1)); tries=$((tries + 1))
    done
    echo "virtual-screen: no Xvfb display could be started from :$1 on" >&2
    return 1
}

stop_virtual_screen() {
    if [ -n "${VIRTUAL_SCREEN_PID:-}" ]; then
        kill "$VIRTUAL_SCREEN_PID" 2>/dev/null || true
        wait "$VIRTUAL_SCREEN_PID" 2>/dev/null || true
        VIRTUAL_SCREEN_PID=
    fi
}
