#!/usr/bin/env bash
# The benchmark: installs what is missing (valgrind and strace among it), builds, and prints the
# figures and ratios as Markdown tables; fails when one misses its goal.
#   bench/run.sh [--short]      (--short: fewer ticks and one run per start, as CI runs it)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

kestrix_install_missing
kestrix_build "$KESTRIX_BUILD_DIR"
cmake --build "$KESTRIX_BUILD_DIR" --parallel --target kestrix-bench
exec "$KESTRIX_BUILD_DIR/bench/kestrix-bench" "$@"
