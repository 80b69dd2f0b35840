#!/usr/bin/env bash
# Installs what is missing, builds every face of fhswitch with warnings as
# errors, and runs every test suite. Exits non-zero on any failure. The Linux
# suite builds the Windows face itself, for each architecture of
# cmake/windows-architectures.tsv (presets windows-<arch>), and runs it under Wine.
# On a machine that cannot run 32-bit programs, what runs the x86 exe is
# skipped, each by name with the reason, and counted as skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
source tools/windows-architectures.sh

# Wine runs the x86 exe in a 32-bit process, with wine32. Where no 32-bit
# program runs, wine32 is of no use, and installed it would break the 64-bit
# Wine as well (Debian's launcher then always takes the 32-bit loader). Where
# wine32 cannot be installed (an i386 index apt cannot read, on a mirror in
# mid-sync), the machine is taken as one that cannot run 32-bit programs:
# FHSWITCH_NO_32BIT, read by tools/can-run-32-bit.sh, carries the reason to
# every skip.
if no_32_bit=$(bash tools/can-run-32-bit.sh); then
    apt_log=$(mktemp)
    if ! ensure_packages wine32:i386 2>&1 | tee "$apt_log"; then
        no_32_bit="wine32:i386 cannot be installed here ($(grep -m 1 '^E: ' "$apt_log" || echo "apt-get failed"))"
        export FHSWITCH_NO_32BIT=$no_32_bit
        echo "$no_32_bit: what runs the x86 exe is skipped."
    fi
    rm -f "$apt_log"
else
    echo "This machine cannot run 32-bit programs ($no_32_bit): no wine32; what runs the x86 exe is skipped."
fi
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev "${mingw_compilers[@]}" \
    wine wine64 \
    clang libclang-rt-dev python3 git \
    wixl msitools faketime osslsigncode openssl unzip

status=0
passed=0
failed=0
skipped=0
# Adds a suite's results to the counts, from CTest's JUnit file, and names
# each skipped test with what it printed (its reason).
count_results() {  # JUNIT
    local counts
    counts=$(python3 - "$1" <<'EOF'
import sys
import xml.etree.ElementTree as ElementTree

suite = ElementTree.parse(sys.argv[1]).getroot()
counts = {"passed": 0, "failed": 0, "skipped": 0}
for case in suite.iter("testcase"):
    skip = case.find("skipped")
    # A test that asked to be skipped; CTest files the ones it could not
    # start (a failed fixture, no executable) as not run too: those failed.
    if skip is not None and skip.get("message", "").startswith("SKIP_"):
        reason = (case.findtext("system-out") or "").strip().splitlines()
        print(f"skipped: {case.get('name')}: {reason[-1] if reason else 'no reason given'}", file=sys.stderr)
        counts["skipped"] += 1
    else:
        counts["passed" if case.get("status") == "run" else "failed"] += 1
print(counts["passed"], counts["failed"], counts["skipped"])
EOF
    ) || return 1
    local good bad not_run
    read -r good bad not_run <<<"$counts"
    passed=$((passed + good))
    failed=$((failed + bad))
    skipped=$((skipped + not_run))
}
configure_and_build() {  # PRESET
    cmake --preset "$1" -DFHSWITCH_WARNINGS_AS_ERRORS=ON >/dev/null && cmake --build --preset "$1" ||
        { echo "build of $1 failed"; return 1; }
}
run_tests() {  # PRESET [CTEST OPTIONS...]: the results in build/ctest-PRESET.xml
    ctest --preset "$1" --output-junit "$PWD/build/ctest-$1.xml" "${@:2}"
}
mkdir -p build
rm -f build/ctest-*.xml

# The sanitized suite and the fuzzer run beside the others at the lowest
# priority, each in a session of its own: nice 19 for its processes and, where
# the kernel schedules a session as a group (autogroup), for the group, which
# would otherwise get as much time as each of Wine's sessions. They take the
# cores the others leave (a Wine face runs one process at a time); the
# fuzzer's bounded run is a bound in time. Their output follows the others'.
#   sanitize: AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer: any report fails
#   fuzz: a bounded libFuzzer run from the seed corpus
beside() {  # PRESET: built and tested, the output in build/PRESET.log
    setsid -w bash -c 'echo 19 >/proc/self/autogroup 2>/dev/null; exec nice -n 19 "$@"' beside \
        bash -c 'echo "== $1"; configure_and_build "$1" && run_tests "$1"' beside "$1" >"build/$1.log" 2>&1
}
export -f configure_and_build run_tests
beside sanitize &
sanitize_job=$!
beside fuzz &
fuzz_job=$!
echo "== linux"
if configure_and_build linux; then
    run_tests linux -j 4 || status=1
    echo "== release"      # built twice from two clones: byte-identical, and holding what it should
    release_log=build/release-check.log
    if bash tests/release/check.sh 2>&1 | tee "$release_log"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
    skipped=$((skipped + $(grep -c '^skipped: ' "$release_log" || true)))
else
    status=1
fi
wait $sanitize_job || status=1
wait $fuzz_job || status=1
cat build/sanitize.log build/fuzz.log
for preset in linux sanitize fuzz; do
    count_results "build/ctest-$preset.xml" || { status=1; echo "no test results from $preset"; }
done
echo "all suites: $passed passed, $failed failed, $skipped skipped"
exit $status
