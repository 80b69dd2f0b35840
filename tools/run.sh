#!/usr/bin/env bash
# Builds the Linux fhswitch (on the simulated File History), without its
# tests, and runs it with the given arguments: bash tools/run.sh -E '\\nas\backups'
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++
cmake --preset linux-tool >/dev/null
cmake --build --preset linux-tool --target fhswitch >/dev/null
exec build/linux-tool/cli/fhswitch "$@"
