#!/usr/bin/env bash
# Builds the Linux fhswitch (on the simulated File History) and runs it with
# the given arguments: bash tools/run.sh -E '\\nas\backups'
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev
cmake --preset linux >/dev/null
cmake --build --preset linux --target fhswitch >/dev/null
exec build/linux/cli/fhswitch "$@"
