#!/usr/bin/env bash
# Installs what is missing, builds every face of fhswitch with warnings as
# errors, and runs every test suite. Exits non-zero on any failure. The Linux
# suite builds the Windows face itself (the windows preset) and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev g++-mingw-w64-x86-64 wine wine64

status=0
run_suite() {  # PRESET
    echo "== $1"
    cmake --preset "$1" -DFHSWITCH_WARNINGS_AS_ERRORS=ON >/dev/null &&
        cmake --build --preset "$1" &&
        ctest --preset "$1" || status=1
}
run_suite linux
run_suite sanitize   # AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer: any report fails
exit $status
