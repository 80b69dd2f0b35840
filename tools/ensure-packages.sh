# Sourced by the other scripts: ensure_packages PKG... installs, with apt-get,
# those Debian packages that are not installed yet (one update first). A
# package named for another architecture (wine32:i386) adds that architecture.
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
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
}
