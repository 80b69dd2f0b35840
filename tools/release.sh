#!/usr/bin/env bash
# Builds fhswitch.exe for x64 and x86 (stripped, without tests or stand-ins)
# and writes the release into dist/: one zip per architecture, holding the exe
# and README.txt, and SHA256SUMS. Installs what is missing. Two runs of the
# same commit give byte-identical files, wherever and whenever they run: the
# commit's time stands for the date, and nothing else of the machine gets in.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 python3 git

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || {
        echo "release: not a git checkout; set SOURCE_DATE_EPOCH to the source's date" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

for arch in x64 x86; do
    rm -rf "build/release-$arch"
    cmake --preset "release-$arch" >/dev/null
    cmake --build --preset "release-$arch"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-x64/CMakeCache.txt)

rm -rf dist
python3 tools/release/package.py --version "$version" --out dist \
    x64=build/release-x64/cli/fhswitch.exe x86=build/release-x86/cli/fhswitch.exe
(cd dist && sha256sum -- *.zip >SHA256SUMS)
echo "dist/ for fhswitch $version:"
ls -l dist
cat dist/SHA256SUMS
