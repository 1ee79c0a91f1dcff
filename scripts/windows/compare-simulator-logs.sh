#!/bin/bash
# Runs the same uses of the simulated joystick in the Linux build and, under Wine, in the
# Windows build, and fails unless both simulator logs hold the same bytes, the first field
# (milliseconds since start) aside: hwconfig's first probes of the controller, and kestrix's
# read of the records (backup) and save of them (restore).
#
#   scripts/windows/compare-simulator-logs.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail

linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-logs.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
export KESTRIX_SIMULATOR=joystick
unset KESTRIX_SIMULATOR_NO_ACCESS

# $1: linux or windows; then the program (hwconfig or kestrix) and its arguments. It
# becomes the program, so that a background run's id is the program's.
run() {
    local side=$1 program=$2
    shift 2
    if [ "$side" = linux ]; then
        KESTRIX_SIMULATOR_LOG="$work/linux/$program.log" exec "$linux/bin/$program" "$@"
    else
        KESTRIX_SIMULATOR_LOG="Z:$(printf '%s' "$work/windows/$program.log" | tr / '\\')" \
            exec "$windows/wine-run" "$windows/bin/$program.exe" "$@"
    fi
}

for side in linux windows; do
    cd "$work/$side"
    (run "$side" kestrix backup joystick settings.json >/dev/null)
    # A fresh simulated joystick each run: the restore writes the backup's fields to it.
    (run "$side" kestrix restore joystick settings.json >/dev/null)
    # The window probes the controller every 100 ms; its first probes are compared. It
    # runs from its folder, where it finds its icons.
    bin=$linux/bin
    [ "$side" = windows ] && bin=$windows/bin
    (cd "$bin" && run "$side" hwconfig -platform offscreen 2>/dev/null) &
    program=$!
    # Started within 30 s on a busy machine (Wine's first start takes seconds).
    for _ in $(seq 300); do
        [ -f hwconfig.log ] && [ "$(wc -l <hwconfig.log)" -ge 3 ] && break
        sleep 0.1
    done
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    # Everything after the first field; hwconfig's first three lines.
    cut -d' ' -f2- kestrix.log >transfers
    head -n 3 hwconfig.log | cut -d' ' -f2- >>transfers
    if [ "$(wc -l <transfers)" -lt 16 ] || ! grep -q '^045b:58f9 21 09 0320 ' transfers; then
        echo "compare-simulator-logs: the $side build logged too little:" >&2
        cat transfers >&2
        exit 1
    fi
done

if ! cmp -s "$work/linux/transfers" "$work/windows/transfers"; then
    echo "compare-simulator-logs: the Windows build's simulator log differs from Linux's:" >&2
    diff "$work/linux/transfers" "$work/windows/transfers" >&2 || true
    exit 1
fi
echo "compare-simulator-logs: $(wc -l <"$work/linux/transfers") transfers, the same bytes on" \
    "Linux and Windows"
