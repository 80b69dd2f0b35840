#!/usr/bin/env bash
# The release, built signed twice from clones of this checkout's commit at
# different paths, at different times, in different time zones and under
# different umasks, must come out byte-identical; each differing file is
# named. The signing key is a throwaway one made here, outside the tree, and
# must show up nowhere in the clones or the logs. Then: what the release holds
# and that every signature verifies (check_dist.py), that the MSIs install,
# upgrade and uninstall under Wine (install_test.sh), and that the signed x64
# exes pass the Wine tables of their lines and statuses (with this checkout's
# build of the tests and stand-ins, when there is one).
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -z "$(git status --porcelain)" ] ||
    echo "note: the clones hold commit $(git rev-parse --short HEAD); uncommitted changes are not checked"

work=$(mktemp -d /tmp/fhswitch-release-XXXXXX)
trap 'rm -rf "$work"' EXIT
signer=$work/signer
mkdir -m 700 "$signer"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$signer/key.pem" -out "$signer/cert.pem" -days 3650 \
    -subj "/CN=fhswitch release check" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=critical,digitalSignature" 2>/dev/null
export FHSWITCH_SIGN_CERT=$signer/cert.pem FHSWITCH_SIGN_KEY=$signer/key.pem

first=$work/a/fhswitch
second=$work/another/place/for/fhswitch
git clone -q . "$first"
git clone -q . "$second"
build() {  # CLONE LOG
    if ! (cd "$1" && bash tools/release.sh) >"$2" 2>&1; then
        cat "$2"
        echo "release build in $1 failed"
        exit 1
    fi
}
# Side by side, the second started later: zip dates have a two-second grain.
build "$first" "$work/first.log" &
first_build=$!
sleep 2
(umask 077 && TZ=Pacific/Kiritimati build "$second" "$work/second.log") &
second_build=$!
builds_failed=0
wait $first_build || builds_failed=1
wait $second_build || builds_failed=1
[ $builds_failed -eq 0 ] || exit 1

status=0
if ! diff <(cd "$first/dist" && ls -A) <(cd "$second/dist" && ls -A); then
    echo "not reproducible: the two dist/ folders hold different files"
    status=1
fi
for file in "$first"/dist/*; do
    name=$(basename "$file")
    [ -f "$second/dist/$name" ] || continue
    if ! cmp -s "$file" "$second/dist/$name"; then
        echo "not reproducible: dist/$name differs between the two builds"
        status=1
    fi
done
key_line=$(sed -n 2p "$signer/key.pem")
if leaks=$(grep -rlF -- "$key_line" "$first" "$second" "$work"/*.log); then
    echo "the signing key leaked into: $leaks"
    status=1
fi
version=$(git -C "$first" grep -h -o -E 'project\(fhswitch VERSION [0-9.]+' -- CMakeLists.txt | awk '{print $3}')
python3 tests/release/check_dist.py "$first/dist" "$version" "$FHSWITCH_SIGN_CERT" || status=1
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) bash tests/release/install_test.sh "$first/dist" "$version" || status=1

e2e=build/linux/tests/e2e/fhswitch_e2e_tests
standins=build/linux/windows-x64/tests/wine
if [ -x "$e2e" ] && [ -f "$standins/fhsvcctl.dll" ]; then
    unzip -q -o "$first/dist/fhswitch-$version-windows-x64.zip" fhswitch.exe fhstatus.exe fhsettings.exe -d "$work/signed"
    # Signing appends to an exe and leaves its code as it was, and every
    # suite runs on the unsigned exes: the signed ones run the tables of the
    # programs' lines and statuses, which show that they still load and run
    # as before.
    "$e2e" --face=wine-x64 --exe="$work/signed/fhswitch.exe" --standins="$standins" --source="$PWD" --work="$work/e2e" \
        --gtest_filter='Table/Scenarios.*:Table/StatusReport.*:Table/StatusCommandLines.*:Table/SettingsRuns.*' >"$work/e2e.log" 2>&1 ||
        { tail -n 40 "$work/e2e.log"; echo "the signed x64 exes fail the Wine suite"; status=1; }
else
    echo "note: no Linux and x64 test build here: the signed exes were not run through the Wine suite"
fi
[ $status -eq 0 ] && echo "release: reproducible, signed, installs, and holds what it should"
exit $status
