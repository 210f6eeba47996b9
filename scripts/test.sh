#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer + UBSan build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-asan"
  bash "$root/scripts/build.sh" "$build" -DQROX_SANITIZE=ON
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # Known leaks of the system libraries, for the program started by the command-line tests too.
  export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
else
  build="$root/build"
  bash "$root/scripts/build.sh" "$build"
fi
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
# The whole suite once as one process in a shuffled order, so that a test that depends
# on what an earlier one left behind fails. The seed is printed: rerun a failure with
# build/qrox_tests --gtest_shuffle --gtest_random_seed=SEED.
seed="${QROX_TEST_SEED:-$(( $(date +%s) % 99999 + 1 ))}"
echo "qrox_tests as one process, shuffled, seed $seed"
# (The PostgreSQL journal tests ran above, with the server CTest starts for them.)
QT_QPA_PLATFORM=offscreen ./qrox_tests --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 \
  --gtest_filter=-PostgreSQL/*
