#!/usr/bin/env bash
# Prints what fhswitch costs, each figure a ratio measured in this same run:
#   1. "fhswitch /?" as a whole process against /bin/true (aim: at most 1.3);
#   2. "fhswitch -D" purging a configuration directory of 20,000 files against
#      "find DIR -maxdepth 1 -type f -delete" on an identical copy (aim: at most 1.15);
#   3. the size of the release fhswitch.exe (stripped), x64 and x86 (aim: each under 256 KiB).
# Usage: bash bench/run.sh [RUNS-FOR-THE-PURGE]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++ libgtest-dev libgmock-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686 hyperfine python3

purge_runs=${1:-10}
cmake --preset linux >/dev/null && cmake --build --preset linux --target fhswitch >/dev/null
for arch in x64 x86; do
    cmake --preset "release-$arch" >/dev/null && cmake --build --preset "release-$arch" >/dev/null
done
fhswitch=$PWD/build/linux/cli/fhswitch
work=$(mktemp -d /tmp/fhswitch-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# hyperfine's JSON: the mean of each command, in the order given.
means() { python3 -c 'import json,sys; print(" ".join(str(r["mean"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"; }
ratio() { python3 -c 'import sys; a,b=map(float,sys.argv[1:]); print(f"{a/b:.2f}  ({a*1e3:.2f} ms against {b*1e3:.2f} ms)")' "$1" "$2"; }

# 1. Start-up and usage text.
hyperfine -N --warmup 100 --runs 1000 --export-json "$work/usage.json" "$fhswitch /?" /bin/true >/dev/null
read -r usage truecmd < <(means "$work/usage.json")

# 2. Purge of 20,000 files. The two commands run in pairs, each on a fresh
# identical copy, in alternating order; the figure is the median of the pairs'
# ratios, which a busy machine disturbs far less than separate series would.
template=$work/template
mkdir -p "$template"
(cd "$template" && seq -f 'catalog-%05g.edb' 1 20000 | xargs touch)
export LOCALAPPDATA=$work/app
config=$LOCALAPPDATA/Microsoft/Windows/FileHistory/Configuration
plain=$work/plain
fresh() { rm -rf "$1" && mkdir -p "$1" && cp -a "$template/." "$1/" && sync; }
seconds() { local start=$EPOCHREALTIME; "$@"; python3 -c "print($EPOCHREALTIME - $start)"; }
pairs=()
for ((run = 0; run < purge_runs; run++)); do
    fresh "$config"
    fresh "$plain"
    if ((run % 2)); then
        f=$(seconds find "$plain" -maxdepth 1 -type f -delete)
        p=$(seconds "$fhswitch" -D)
    else
        p=$(seconds "$fhswitch" -D)
        f=$(seconds find "$plain" -maxdepth 1 -type f -delete)
    fi
    [ -z "$(ls -A "$config")" ] || { echo "fhswitch -D left files behind"; exit 1; }
    pairs+=("$p:$f")
done
# The pair with the median ratio.
read -r purge find < <(python3 -c '
import sys
pairs = sorted((tuple(map(float, p.split(":"))) for p in sys.argv[1:]), key=lambda p: p[0] / p[1])
print(*pairs[(len(pairs) - 1) // 2])' "${pairs[@]}")


echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(uname -sr)"
echo "fhswitch /? against /bin/true:                 $(ratio "$usage" "$truecmd")   aim <= 1.3"
echo "fhswitch -D against find -delete (20,000 files): $(ratio "$purge" "$find")   aim <= 1.15 (median of $purge_runs pairs)"
# 3. Size of the release executables, as the zips ship them.
for arch in x64 x86; do
    size=$(stat -c %s "build/release-$arch/cli/fhswitch.exe")
    echo "release fhswitch.exe, $arch:                       $((size / 1024)) KiB ($size bytes)   aim < 256 KiB"
done
