# Sourced by the scripts: reads cmake/windows-architectures.tsv, the one list of
# Windows architectures, into two arrays: windows_architectures (x64, x86) and
# mingw_compilers (the Debian package of each one's cross-compiler).
tsv="$(dirname "${BASH_SOURCE[0]}")/../cmake/windows-architectures.tsv"
mapfile -t windows_architectures < <(awk -F'\t' '!/^#/ {print $1}' "$tsv")
mapfile -t mingw_compilers < <(awk -F'\t' '!/^#/ {gsub("_", "-", $2); print "g++-mingw-w64-" $2}' "$tsv")
unset tsv
