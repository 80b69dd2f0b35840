#!/usr/bin/env bash
# Prints what fhswitch costs, each figure a ratio measured in this same run:
#   1. "fhswitch /?" (Linux face) as a whole process against /bin/true (aim: at most 1.3);
#   2. under Wine, "fhswitch.exe /?" against a minimal static mingw-w64 console
#      program (aim: at most 1.1);
#   3. under Wine, "fhswitch.exe -D" purging a configuration directory of
#      20,000 files against "cmd /c del /q" of an identical folder (aim: at most 1.15);
#   4. the size of each release fhswitch.exe (stripped) (aim: each under 256 KiB).
# The Windows figures are the release x64 exe's. The pairs of 2 and 3 run
# alternately, each pair in turn first; the figure is the median of the pairs'
# ratios, which a busy machine disturbs far less than separate series would.
# Usage: bash bench/run.sh [PAIRS]   (default 10 for the purge, 3 times as many for /?)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
source tools/windows-architectures.sh
architectures=("${windows_architectures[@]}")
ensure_packages cmake ninja-build g++ "${mingw_compilers[@]}" wine wine64 hyperfine python3
source tools/wine.sh  # wine, as this machine can run it

pairs=${1:-10}
cmake --preset linux-tool >/dev/null && cmake --build --preset linux-tool --target fhswitch >/dev/null
for arch in "${architectures[@]}"; do
    cmake --preset "release-$arch" >/dev/null && cmake --build --preset "release-$arch" >/dev/null
done
fhswitch=$PWD/build/linux-tool/cli/fhswitch
work=$(mktemp -d /tmp/fhswitch-bench-XXXXXX)
export WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

# hyperfine's JSON: the mean of each command, in the order given.
means() { python3 -c 'import json,sys; print(" ".join(str(r["mean"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"; }
ratio() { python3 -c 'import sys; a,b=map(float,sys.argv[1:]); print(f"{a/b:.2f}  ({a*1e3:.1f} ms against {b*1e3:.1f} ms)")' "$1" "$2"; }
seconds() { local start=$EPOCHREALTIME; "$@" >/dev/null; python3 -c "print($EPOCHREALTIME - $start)"; }
# The pair ("first:second" seconds) with the median ratio.
median_pair() {
    python3 -c '
import sys
pairs = sorted((tuple(map(float, p.split(":"))) for p in sys.argv[1:]), key=lambda p: p[0] / p[1])
print(*pairs[(len(pairs) - 1) // 2])' "$@"
}
# PAIRS PREPARE A B: runs PREPARE, then A and B, alternating which goes first.
alternate() {
    local count=$1 prepare=$2 a=$3 b=$4 results=() x y
    for ((run = 0; run < count; run++)); do
        $prepare
        if ((run % 2)); then y=$(seconds $b); x=$(seconds $a); else x=$(seconds $a); y=$(seconds $b); fi
        results+=("$x:$y")
    done
    median_pair "${results[@]}"
}

# 1. Start-up and usage text, Linux face.
hyperfine -N --warmup 100 --runs 1000 --export-json "$work/usage.json" "$fhswitch /?" /bin/true >/dev/null
read -r usage truecmd < <(means "$work/usage.json")

# The Windows face: the release exe, a prefix kept running, no File History
# components (the purge runs without a service to stop).
exe=$PWD/build/release-x64/cli/fhswitch.exe
x86_64-w64-mingw32-g++ -static -Os -s bench/minimal_console.cpp -o "$work/minimal.exe"
wine wineboot -i >/dev/null 2>&1
wineserver -w  # the server wineboot started ends, and one that stays starts
wineserver -p
windows() { echo "Z:${1//\//\\}"; }

# 2. Start-up and usage text, under Wine.
usage_exe() { wine "$exe" /?; }
minimal_exe() { wine "$work/minimal.exe"; }
nothing() { :; }
read -r wine_usage wine_minimal < <(alternate $((pairs * 3)) nothing usage_exe minimal_exe)

# 3. Purge of 20,000 files, under Wine.
template=$work/template
mkdir -p "$template"
(cd "$template" && seq -f 'catalog-%05g.edb' 1 20000 | xargs touch)
app=$work/app
config=$app/Microsoft/Windows/FileHistory/Configuration
plain=$work/plain
export LOCALAPPDATA
LOCALAPPDATA=$(windows "$app")
wine reg add 'HKCU\Volatile Environment' /v LOCALAPPDATA /d "$LOCALAPPDATA" /f >/dev/null 2>&1
fresh() { rm -rf "$1" && mkdir -p "$1" && cp -a "$template/." "$1/"; }
fresh_both() { fresh "$config" && fresh "$plain" && sync; }
purge_exe() { wine "$exe" -D; }
del_plain() { wine cmd /c del /q "$(windows "$plain")\\*"; }
read -r purge del < <(alternate "$pairs" fresh_both purge_exe del_plain)
[ -z "$(ls -A "$config")" ] || { echo "fhswitch.exe -D left files behind"; exit 1; }
[ -z "$(ls -A "$plain")" ] || { echo "cmd /c del /q left files behind"; exit 1; }

echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(uname -sr), $(wine --version)"
echo "fhswitch /? against /bin/true (Linux):                 $(ratio "$usage" "$truecmd")   aim <= 1.3"
echo "fhswitch.exe /? against a minimal mingw program (Wine): $(ratio "$wine_usage" "$wine_minimal")   aim <= 1.1 (median of $((pairs * 3)) pairs)"
echo "fhswitch.exe -D against cmd /c del /q (Wine, 20,000):   $(ratio "$purge" "$del")   aim <= 1.15 (median of $pairs pairs)"
# 4. Size of the release executables, as the zips ship them.
for arch in "${architectures[@]}"; do
    size=$(stat -c %s "build/release-$arch/cli/fhswitch.exe")
    echo "release fhswitch.exe, $arch:                              $((size / 1024)) KiB ($size bytes)   aim < 256 KiB"
done
