#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

kestrix_install_missing
kestrix_build "$KESTRIX_BUILD_DIR"
cd "$KESTRIX_BUILD_DIR"
ctest --output-on-failure --parallel 2 "$@"
