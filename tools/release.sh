#!/usr/bin/env bash
# Builds fhswitch.exe, fhstatus.exe and fhsettings.exe for each Windows architecture of
# cmake/windows-architectures.tsv (stripped, without tests or stand-ins)
# and writes the release into dist/: per architecture a zip (the exes and
# README.txt) and an MSI, and SHA256SUMS. Installs what is missing. Two runs
# of the same commit give byte-identical files, wherever and whenever they
# run: the commit's time stands for every date, and nothing else of the
# machine gets in.
#
# Signing: with FHSWITCH_SIGN_CERT and FHSWITCH_SIGN_KEY naming PEM files (the
# code-signing certificate with its chain, and its RSA key), both executables
# are signed before they are packed, then both MSIs (Authenticode, SHA-256,
# signing time = the commit's time, no time-stamp).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
source tools/windows-architectures.sh
architectures=("${windows_architectures[@]}")
ensure_packages cmake ninja-build "${mingw_compilers[@]}" python3 git wixl msitools faketime

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || {
        echo "release: not a git checkout; set SOURCE_DATE_EPOCH to the source's date" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

signing_key=""
if [ -n "${FHSWITCH_SIGN_CERT:-}${FHSWITCH_SIGN_KEY:-}" ]; then
    if [ -z "${FHSWITCH_SIGN_CERT:-}" ] || [ -z "${FHSWITCH_SIGN_KEY:-}" ]; then
        echo "release: set both FHSWITCH_SIGN_CERT and FHSWITCH_SIGN_KEY, or neither" >&2
        exit 1
    fi
    ensure_packages osslsigncode
    signing_key=$FHSWITCH_SIGN_KEY
    if [ ! -f "$signing_key" ]; then
        # osslsigncode reads the key more than once: a pipe will not do. The
        # copy is the owner's alone, outside the tree, and goes on every path.
        key_copy=$(umask 077 && mktemp /tmp/fhswitch-sign-key-XXXXXX)
        trap 'rm -f "$key_copy"' EXIT
        cat "$signing_key" >"$key_copy"
        signing_key=$key_copy
    fi
    echo "release: signing with $(osslsigncode --version 2>&1 | head -n 1)"
else
    echo "release: FHSWITCH_SIGN_CERT and FHSWITCH_SIGN_KEY are not set: building unsigned"
fi

sign() {  # FILE, signed in place
    [ -n "$signing_key" ] || return 0
    rm -f "$1.signed"
    osslsigncode sign -certs "$FHSWITCH_SIGN_CERT" -key "$signing_key" -h sha256 -n fhswitch \
        -time "$SOURCE_DATE_EPOCH" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
}

rm -rf build/release-stage
for arch in "${architectures[@]}"; do
    rm -rf "build/release-$arch"
    cmake --preset "release-$arch" >/dev/null
    cmake --build --preset "release-$arch"
    mkdir -p "build/release-stage/$arch"
    for program in fhswitch fhstatus fhsettings; do
        cp "build/release-$arch/cli/$program.exe" "build/release-stage/$arch/$program.exe"
        sign "build/release-stage/$arch/$program.exe"
    done
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/release-${architectures[0]}/CMakeCache.txt")

rm -rf dist
mkdir dist
packed=()
for arch in "${architectures[@]}"; do
    packed+=("$arch=build/release-stage/$arch/fhswitch.exe")
    msi=dist/fhswitch-$version-windows-$arch.msi
    python3 tools/release/msi.py --version "$version" --arch "$arch" --exe "build/release-stage/$arch/fhswitch.exe" \
        --out "$msi"
    sign "$msi"
done
python3 tools/release/package.py --version "$version" --out dist "${packed[@]}"
(cd dist && sha256sum -- fhswitch-* >SHA256SUMS)
echo "dist/ for fhswitch $version:"
ls -l dist
cat dist/SHA256SUMS
