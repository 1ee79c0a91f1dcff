#!/usr/bin/env bash
# Installs what is missing, builds, and starts a program from the build directory.
#   ./run.sh [hwconfig|wheelconfig] [--hardware] [ru]
# Without --hardware the program runs on simulated controllers (a joystick and a wheel
# for hwconfig, a wheel for wheelconfig); KESTRIX_SIMULATOR overrides the choice, and
# the "Simulated controllers" window opens beside it (KESTRIX_SIMULATOR_PANEL=0: closed).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

program=hwconfig
hardware=no
args=()
while [ $# -gt 0 ]; do
    case "$1" in
        # A command after "--" (wheelconfig's launch form) is passed on as it is.
        --) args+=("$@"); break ;;
        hwconfig|wheelconfig) program=$1 ;;
        --hardware) hardware=yes ;;
        -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) args+=("$1") ;;
    esac
    shift
done

kestrix_install_missing
kestrix_build "$KESTRIX_BUILD_DIR"

cd "$KESTRIX_BUILD_DIR/bin"
if [ "$hardware" = yes ]; then
    unset KESTRIX_SIMULATOR KESTRIX_SIMULATOR_PANEL
else
    if [ "$program" = hwconfig ]; then default=joystick,wheel; else default=wheel; fi
    export KESTRIX_SIMULATOR=${KESTRIX_SIMULATOR:-$default}
    # The "Simulated controllers" window plugs, unplugs and breaks them (=0 hides it).
    export KESTRIX_SIMULATOR_PANEL=${KESTRIX_SIMULATOR_PANEL:-1}
    echo "Simulated controllers: $KESTRIX_SIMULATOR (./run.sh --hardware for real ones)"
fi
exec "./$program" "${args[@]}"
