#!/bin/bash
# Unpacks the Windows build's zip into a temporary folder and runs it from there under Wine,
# with the DLLs and plugins the zip holds and nothing of the build's: kestrix.exe lists the
# simulated controllers, and hwconfig.exe starts and probes the simulated joystick.
#
#   scripts/windows/check-package.sh [WINDOWS_BUILD_DIR]      (default build-windows/)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:-$here/../../build-windows}" && pwd)
zip=$(ls "$build"/kestrix-*-windows-x64.zip 2>/dev/null | head -n 1)
if [ -z "$zip" ]; then
    echo "check-package: no zip in $build: build its target package first" >&2
    exit 1
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
folder=$(ls -d "$work"/kestrix-*/)
cd "$folder"

# The build's Wine prefix, already set up; no PATH or plugin path leads to the build.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM
listed=$(KESTRIX_SIMULATOR=joystick,wheel "$wine" kestrix.exe list | tr -d '\r')
expected=$'joystick 0x58f9 device type 1 (joystick)\nwheel    0x59d7 device type 3 (wheel)'
if [ "$listed" != "$expected" ]; then
    printf 'check-package: kestrix.exe list printed\n%s\n' "$listed" >&2
    exit 1
fi

log=$work/transfers.log
KESTRIX_SIMULATOR=joystick KESTRIX_SIMULATOR_LOG="Z:$(printf '%s' "$log" | tr / '\\')" \
    "$wine" hwconfig.exe -platform offscreen 2>/dev/null &
program=$!
# Its first probe within 60 s on a busy machine; a quiet one needs about two.
for _ in $(seq 600); do
    [ -s "$log" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if ! kill -0 "$program" 2>/dev/null; then
    wait "$program" && status=0 || status=$?
    echo "check-package: hwconfig.exe ended (exit $status) instead of running" >&2
    exit 1
fi
kill "$program"
wait "$program" 2>/dev/null || true
if ! grep -q ' 045b:58f9 a1 01 0325 ' "$log"; then
    echo "check-package: hwconfig.exe did not probe the simulated joystick" >&2
    exit 1
fi
echo "check-package: $(basename "$zip") unpacked; kestrix.exe lists the controllers and" \
    "hwconfig.exe runs from its folder"
