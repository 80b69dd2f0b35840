#!/usr/bin/env bash
# The release, built twice from clones of this checkout's commit at different
# paths, at different times, in different time zones and under different
# umasks, must come out byte-identical; each differing file is named. Then
# checks what the release holds (check_dist.py).
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -z "$(git status --porcelain)" ] ||
    echo "note: the clones hold commit $(git rev-parse --short HEAD); uncommitted changes are not checked"

work=$(mktemp -d /tmp/fhswitch-release-XXXXXX)
trap 'rm -rf "$work"' EXIT
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
build "$first" "$work/first.log"
sleep 2  # zip dates have a two-second grain
(umask 077 && TZ=Pacific/Kiritimati build "$second" "$work/second.log")

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
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$first/build/release-x64/CMakeCache.txt")
python3 tests/release/check_dist.py "$first/dist" "$version" || status=1
[ $status -eq 0 ] && echo "release: reproducible, and holds what it should"
exit $status
