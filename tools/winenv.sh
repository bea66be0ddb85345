#!/usr/bin/env bash
# The headless Windows environment the player and the tests run in:
# a private Xvfb screen (1024x768x24), a PulseAudio daemon with a null sink, and a
# private Wine prefix. All state lives under STATE_DIR (default: build/winenv).
#
#   tools/winenv.sh up   [STATE_DIR]   start what is not running yet; prints the env file
#   tools/winenv.sh down [STATE_DIR]   stop everything started by "up"
#   tools/winenv.sh exec STATE_DIR command...   up, run the command in the environment, down
#
# The env file is a shell fragment with DISPLAY, WINEPREFIX, XDG_RUNTIME_DIR,
# PULSE_SERVER and WINEDEBUG; "source" it to run Wine programs by hand.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:-}
state=${2:-$root/build/winenv}

alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

up() {
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    local envfile=$state/env.sh

    # X server
    local display=""
    if alive "$state/xvfb.pid" && [ -f "$state/display" ]; then
        display=$(cat "$state/display")
    else
        local n
        for n in $(seq 90 250); do
            if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=":$n"; break; fi
        done
        [ -n "$display" ] || { echo "winenv: no free X display" >&2; exit 1; }
        Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -ac >"$state/xvfb.log" 2>&1 &
        echo $! >"$state/xvfb.pid"
        echo "$display" >"$state/display"
        local i
        for i in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X${display#:}" ] && break
            sleep 0.1
        done
    fi

    # Sound: a PulseAudio daemon with a null sink, so the default audio renderer works.
    local rt=$state/runtime
    mkdir -p "$rt/pulse"
    chmod 700 "$rt"
    if ! alive "$state/pulse.pid"; then
        rm -f "$rt/pulse/native"
        XDG_RUNTIME_DIR=$rt HOME=$state pulseaudio -n --daemonize=no --exit-idle-time=-1 \
            --use-pid-file=no --disable-shm=yes --log-target=stderr \
            -L "module-native-protocol-unix socket=$rt/pulse/native auth-anonymous=1" \
            -L "module-null-sink sink_name=nullsink" \
            >"$state/pulse.log" 2>&1 &
        echo $! >"$state/pulse.pid"
        local i
        for i in $(seq 1 100); do
            [ -S "$rt/pulse/native" ] && break
            sleep 0.1
        done
    fi

    cat >"$envfile" <<ENV
export DISPLAY=$display
export WINEPREFIX=$state/prefix
export XDG_RUNTIME_DIR=$rt
export PULSE_SERVER=unix:$rt/pulse/native
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
ENV

    # Wine prefix, made once.
    # shellcheck disable=SC1090
    . "$envfile"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >"$state/wineboot.log" 2>&1 || true
        wineserver -w || true
    fi
    # Wine's Direct3D command-stream thread makes every synchronous blit a round trip
    # between two threads; the player makes hundreds of one-row blits a frame.
    if [ ! -f "$state/prefix-settings-1" ]; then
        wine reg add 'HKCU\Software\Wine\Direct3D' /v csmt /t REG_DWORD /d 0 /f >>"$state/wineboot.log" 2>&1 || true
        wineserver -w || true
        touch "$state/prefix-settings-1"
    fi
    # One wine server, with Wine's own background programs, for the whole
    # session. A server that ends whenever no program runs can refuse a program
    # that starts at that moment ("recvmsg: Connection reset by peer"), and the
    # background programs it starts again then inherit the output of whichever
    # program came first: a test whose output stays open after it ended, which
    # ctest waits for until its timeout. Started here, they write nowhere.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    echo "$envfile"
}

down() {
    [ -d "$state" ] || return 0
    if [ -f "$state/env.sh" ]; then
        # shellcheck disable=SC1090
        ( . "$state/env.sh"; wineserver -k 2>/dev/null || true )
    fi
    local f
    for f in pulse xvfb; do
        if alive "$state/$f.pid"; then
            kill "$(cat "$state/$f.pid")" 2>/dev/null || true
        fi
        rm -f "$state/$f.pid"
    done
}

case "$cmd" in
    up) up ;;
    down) down ;;
    exec)
        shift 2
        envfile=$(up)
        trap down EXIT
        # shellcheck disable=SC1090
        . "$envfile"
        "$@"
        ;;
    *) echo "usage: $0 up|down [STATE_DIR] | exec STATE_DIR command..." >&2; exit 2 ;;
esac
