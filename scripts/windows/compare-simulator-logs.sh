#!/bin/bash
# Runs the same uses of the simulated joystick in the Linux build and, under Wine, in the
# Windows build, and fails unless both simulator logs hold the same bytes, the first field
# (milliseconds since start) and the window's liveness probes aside: kestrix's read of the
# records (backup) and save of them (restore), and hwconfig's read of the joystick's record
# when it is picked and its "Save settings", clicked on an X display of its own.
#
#   scripts/windows/compare-simulator-logs.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail

# The window's part, on the display that xvfb-run gives it: SIDE BIN_DIR LOG.
if [ "${1:-}" = --window ]; then
    side=$2 bin=$3 log=$4
    cd "$bin"
    if [ "$side" = linux ]; then
        KESTRIX_SIMULATOR_LOG=$log exec ./hwconfig 2>/dev/null &
    else
        KESTRIX_SIMULATOR_LOG="Z:$(printf '%s' "$log" | tr / '\\')" \
            exec ../wine-run ./hwconfig.exe 2>/dev/null &
    fi
    program=$!
    trap 'kill "$program" 2>/dev/null || true; wait "$program" 2>/dev/null || true' EXIT
    # $1 tenths of a second at most for the condition that follows.
    within() {
        local tenths=$1
        shift
        for _ in $(seq "$tenths"); do
            "$@" && return 0
            sleep 0.1
        done
        return 1
    }
    shown() {
        window=$(xdotool search --onlyvisible --name "Kestrix hardware settings UI" 2>/dev/null |
            head -n 1)
        [ -n "$window" ] && [ -s "$log" ]
    }
    logged() { grep -q "$1" "$log"; }
    # Wine's first start of a program takes seconds, more on a busy machine.
    within 600 shown || {
        echo "hwconfig ($side) showed no window" >&2
        xdotool search --name . getwindowname %@ >&2 || true
        ls -la "$log" >&2 || true
        exit 1
    }
    height() { xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p'; }
    empty=$(height)
    # Down in the list picks the joystick, which reads its record.
    xdotool windowfocus --sync "$window"
    xdotool key --window "$window" Down
    within 300 logged ' a1 01 0321 ' || { echo "hwconfig ($side) read nothing" >&2; exit 1; }
    # "Save settings", the lowest button, once the window has grown to show the record and
    # kept its size for a moment.
    grown() {
        local first
        first=$(height)
        sleep 0.3
        [ "$first" != "$empty" ] && [ "$first" = "$(height)" ]
    }
    within 100 grown || { echo "hwconfig ($side) showed no record" >&2; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT - 23)) click 1
    within 300 logged ' a1 01 0324 0000 0400 8 00' ||
        { echo "hwconfig ($side) saved nothing" >&2; exit 1; }
    exit 0
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../setup.sh"
kestrix_install_missing xvfb xauth xdotool
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-logs.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
export KESTRIX_SIMULATOR=joystick
unset KESTRIX_SIMULATOR_NO_ACCESS QT_QPA_PLATFORM

for side in linux windows; do
    cd "$work/$side"
    if [ "$side" = linux ]; then
        kestrix=("$linux/bin/kestrix")
        bin=$linux/bin
        log=$work/linux/kestrix.log
    else
        kestrix=("$windows/wine-run" "$windows/bin/kestrix.exe")
        bin=$windows/bin
        log="Z:$(printf '%s' "$work/windows/kestrix.log" | tr / '\\')"
    fi
    KESTRIX_SIMULATOR_LOG=$log "${kestrix[@]}" backup joystick settings.json >/dev/null
    # A fresh simulated joystick each run: the restore writes the backup's fields to it.
    KESTRIX_SIMULATOR_LOG=$log "${kestrix[@]}" restore joystick settings.json >/dev/null
    # Wine's desktop process, started without a display for kestrix or on an earlier
    # run's, would keep the window off the new display: the build's own Wine prefix is
    # ended first.
    if [ "$side" = windows ]; then
        WINEPREFIX=$windows/wineprefix /usr/lib/wine/wineserver -k || true
        WINEPREFIX=$windows/wineprefix timeout 60 /usr/lib/wine/wineserver -w
    fi
    xvfb-run -a -s "-screen 0 1280x1024x24" "$here/compare-simulator-logs.sh" --window \
        "$side" "$bin" "$work/$side/hwconfig.log"
    # Everything after the first field.
    cut -d' ' -f2- kestrix.log >transfers
    grep -v ' a1 01 0325 ' hwconfig.log | cut -d' ' -f2- >>transfers
done

if ! cmp -s "$work/linux/transfers" "$work/windows/transfers"; then
    echo "compare-simulator-logs: the Windows build's simulator log differs from Linux's:" >&2
    diff "$work/linux/transfers" "$work/windows/transfers" >&2 || true
    exit 1
fi
echo "compare-simulator-logs: $(wc -l <"$work/linux/transfers") transfers, the same bytes on" \
    "Linux and Windows"
