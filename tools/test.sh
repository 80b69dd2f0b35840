#!/usr/bin/env bash
# Installs what is missing, builds every face of fhswitch with warnings as
# errors, and runs every test suite. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev

status=0
run_suite() {  # PRESET
    echo "== $1"
    cmake --preset "$1" -DFHSWITCH_WARNINGS_AS_ERRORS=ON >/dev/null &&
        cmake --build --preset "$1" &&
        ctest --preset "$1" || status=1
}
run_suite linux
exit $status
