# Sourced by the other scripts: ensure_packages PKG... installs, with apt-get,
# those Debian packages that are not installed yet (one update first). A
# package named for another architecture (wine32:i386) adds that architecture.
# An index that cannot be fetched (a mirror in mid-sync) is a warning: apt
# goes on with the others. Only a package that cannot be installed ends the
# run, with apt's message and the package's name.
ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    for package in "${missing[@]}"; do
        local architecture=${package##*:}
        [ "$architecture" != "$package" ] || continue
        dpkg --print-foreign-architectures | grep -qx "$architecture" || "${sudo[@]}" dpkg --add-architecture "$architecture"
    done
    local install=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q)
    if "${sudo[@]}" apt-get update -q; then
        "${install[@]}" "${missing[@]}" && return 0
    else
        echo "warning: apt-get update could not fetch every index (above); installing from the others" >&2
        "${install[@]}" "${missing[@]}" && return 0
        # Without one architecture's index of the security suite, a library's
        # amd64 build can be newer than any i386 one, and the two must match:
        # the release's own suite has both at one version.
        local release
        release=$(. /etc/os-release && echo "$VERSION_CODENAME")
        echo "warning: trying again with the packages of $release itself (-t $release)" >&2
        install+=(-t "$release")
        "${install[@]}" "${missing[@]}" && return 0
    fi
    local failing=()
    for package in "${missing[@]}"; do
        "${install[@]}" -s "$package" >/dev/null 2>&1 || failing+=("$package")
    done
    echo "cannot install ${failing[*]:-${missing[*]} (together)}: apt-get's message is above" >&2
    return 1
}
