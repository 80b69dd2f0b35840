#!/usr/bin/env bash
# Installs what is missing, builds every face of fhswitch with warnings as
# errors, and runs every test suite. Exits non-zero on any failure. The Linux
# suite builds the Windows face itself, for each architecture of
# cmake/windows-architectures.tsv (presets windows-<arch>), and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
source tools/windows-architectures.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev "${mingw_compilers[@]}" \
    wine wine64 wine32:i386 \
    clang libclang-rt-14-dev python3 git \
    wixl msitools faketime osslsigncode openssl unzip

status=0
passed=0
failed=0
run_suite() {  # PRESET
    echo "== $1"
    local log="build/ctest-$1.log"
    mkdir -p build
    if cmake --preset "$1" -DFHSWITCH_WARNINGS_AS_ERRORS=ON >/dev/null && cmake --build --preset "$1"; then
        ctest --preset "$1" 2>&1 | tee "$log" || status=1
        # "100% tests passed, 0 tests failed out of 139"
        local summary
        summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
        local total=${summary##* out of }
        local bad
        bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
        [ -n "$summary" ] || { status=1; echo "no test summary from $1"; return; }
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    else
        status=1
        echo "build of $1 failed"
    fi
}
run_suite linux
run_suite sanitize   # AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer: any report fails
run_suite fuzz       # a bounded libFuzzer run from the seed corpus
echo "== release"      # built twice from two clones: byte-identical, and holding what it should
if bash tests/release/check.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
echo "all suites: $passed passed, $failed failed"
exit $status
