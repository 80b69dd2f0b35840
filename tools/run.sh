#!/usr/bin/env bash
# Builds the Linux fhswitch, fhstatus and fhsettings (on the simulated File History),
# without their tests, and runs fhswitch with the given arguments:
# bash tools/run.sh -E '\\nas\backups'; fhstatus is then build/linux-tool/cli/fhstatus.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++
cmake --preset linux-tool >/dev/null
cmake --build --preset linux-tool --target fhswitch fhstatus fhsettings >/dev/null
exec build/linux-tool/cli/fhswitch "$@"
