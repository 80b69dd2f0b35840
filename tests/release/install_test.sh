#!/usr/bin/env bash
# Installs the release's MSIs under Wine, as an administrator's deployment
# would: each in a prefix of the Windows it is for (x64 in a 64-bit prefix,
# x86 in a 32-bit one). Each time: the exes and the logon scripts land in their Program Files
# folder and the exe runs from there; the event source is registered as
# eventcreate registers one; the uninstall entry carries the version; a newer
# build installs over it (one entry, the new exe); the older one is then
# refused by its launch condition and changes nothing; uninstalling removes the folder, the
# event source and the entry. The x86 MSI in a 64-bit prefix is refused by
# its launch condition and installs nothing. Where 32-bit programs cannot run,
# a 32-bit prefix is skipped, and says so on a line of its own ("skipped: ...").
# Usage: install_test.sh DIST VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/wine.sh"  # wine as this machine can run it, and no_32_bit
dist=$(realpath "$1")
version=$2
work=$(mktemp -d /tmp/fhswitch-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "install: $*"; failures=$((failures + 1)); }

windows_path() { echo "Z:${1//\//\\}"; }
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
# msiexec's own status: through Linux it would be cut to 8 bits (1603 is 67).
msiexec_status() {  # ARGUMENTS...
    wine cmd /c "msiexec $* /qn & echo status=%ERRORLEVEL%" 2>/dev/null | tr -d '\r' | sed -n 's/^status=//p'
}
# The event source's values, "NAME TYPE DATA" a line, sorted; nothing without the source.
event_source() {  # VIEW
    wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\fhswitch' "$1" 2>/dev/null |
        tr -d '\r' | awk 'NF >= 3 && $2 ~ /^REG_/ { print $1, $2, $3 }' | sort
}
entry_version() {  # PRODUCT-CODE VIEW: the uninstall entry's DisplayVersion, or nothing
    wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v DisplayVersion "$2" \
        2>/dev/null | tr -d '\r' | awk '$1 == "DisplayVersion" { print $3 }'
}

# A newer build of the same architecture: the next patch version, and an exe
# that differs (a byte appended), so that the installed one can be told apart;
# fhstatus.exe and fhsettings.exe beside it, as msi.py takes them.
newer_msi() {  # ARCH
    local exe=$work/newer-$1/fhswitch.exe
    mkdir -p "$work/newer-$1"
    msiextract -C "$work/newer-$1/extracted" "$dist/fhswitch-$version-windows-$1.msi" >/dev/null
    cp "$(find "$work/newer-$1/extracted" -name fhswitch.exe)" "$exe"
    for companion in fhstatus.exe fhsettings.exe; do
        cp "$(find "$work/newer-$1/extracted" -name "$companion")" "$work/newer-$1/$companion"
    done
    printf '\0' >>"$exe"
    local newer=${version%.*}.$((${version##*.} + 1))
    SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-0} python3 "$here/../../tools/release/msi.py" \
        --version "$newer" --arch "$1" --exe "$exe" --out "$work/newer-$1/fhswitch-$newer-windows-$1.msi"
    echo "$newer $work/newer-$1/fhswitch-$newer-windows-$1.msi"
}

check() {  # ARCH WINEARCH PROGRAM-FILES VIEW
    local arch=$1 prefix=$work/$1-in-$2 folder view=$4
    echo "== $arch MSI in a $2 prefix"
    # A 32-bit prefix runs everything in 32-bit processes.
    if [ "$2" = win32 ] && [ -n "$no_32_bit" ]; then
        echo "skipped: the $arch MSI in a $2 prefix: $no_32_bit"
        return
    fi
    export WINEPREFIX=$prefix WINEARCH=$2
    folder="$prefix/drive_c/$3/fhswitch"
    local msi=$dist/fhswitch-$version-windows-$arch.msi
    local code newer newer_msi newer_code
    wine wineboot -i >/dev/null 2>&1 || { fail "$arch/$2: Wine cannot start"; return; }
    code=$(product_code "$msi")
    read -r newer newer_msi < <(newer_msi "$arch")
    newer_code=$(product_code "$newer_msi")

    [ "$(msiexec_status /i "$(windows_path "$msi")")" = 0 ] || fail "$arch/$2: install failed"
    [ -f "$folder/fhswitch.exe" ] || fail "$arch/$2: no $3/fhswitch/fhswitch.exe"
    [ "$(ls -A "$folder" 2>/dev/null | tr '\n' ' ')" = "disable-file-history.cmd enable-file-history.cmd fhsettings.exe fhstatus.exe fhswitch.exe " ] ||
        fail "$arch/$2: $3/fhswitch holds $(ls -A "$folder" 2>/dev/null | tr '\n' ' '), not the exes and the scripts"
    [ "$(event_source "$view")" = $'CustomSource REG_DWORD 0x1\nEventMessageFile REG_EXPAND_SZ %SystemRoot%\\System32\\EventCreate.exe\nTypesSupported REG_DWORD 0x7' ] ||
        fail "$arch/$2: the event source is not registered as eventcreate registers one: $(event_source "$view")"
    local usage
    usage=$(wine "C:\\$3\\fhswitch\\fhswitch.exe" /? 2>/dev/null | tr -d '\r') || fail "$arch/$2: /? did not end with 0"
    [ "$usage" = $'Eneble/Disable Windows File Histroy...\nFor Enable: -E <Network path for backup>\nFor Disable: -D' ] ||
        fail "$arch/$2: /? from Program Files printed '$usage'"
    usage=$(wine "C:\\$3\\fhswitch\\fhstatus.exe" /? 2>/dev/null | tr -d '\r' | head -n 1)
    [ "$usage" = "Reports the current user's File History state, changing nothing." ] ||
        fail "$arch/$2: fhstatus /? from Program Files printed '$usage'"
    [ "$(entry_version "$code" "$view")" = "$version" ] || fail "$arch/$2: the uninstall entry does not carry $version"

    [ "$(msiexec_status /i "$(windows_path "$newer_msi")")" = 0 ] || fail "$arch/$2: the upgrade to $newer failed"
    cmp -s "$folder/fhswitch.exe" "$work/newer-$arch/fhswitch.exe" || fail "$arch/$2: the upgrade left the old exe"
    [ -z "$(entry_version "$code" "$view")" ] || fail "$arch/$2: the $version entry is still there after the upgrade"
    [ "$(entry_version "$newer_code" "$view")" = "$newer" ] || fail "$arch/$2: no $newer entry after the upgrade"

    # Refused by the launch condition: Windows and Wine 8 end with 1603; Wine 10 ends with 0 and
    # installs nothing. Either way nothing may change, which the checks after it hold.
    local refused
    # (Its pipeline's status may be msiexec's: not a reason for set -e to end the test.)
    refused=$(msiexec_status /i "$(windows_path "$msi")" || true)
    [ "$refused" = 1603 ] || [ "$refused" = 0 ] || fail "$arch/$2: the downgrade ended with $refused, not refused"
    cmp -s "$folder/fhswitch.exe" "$work/newer-$arch/fhswitch.exe" || fail "$arch/$2: the refused downgrade changed the exe"
    [ -z "$(entry_version "$code" "$view")" ] || fail "$arch/$2: the refused downgrade added an entry"

    [ "$(msiexec_status /x "$(windows_path "$newer_msi")")" = 0 ] || fail "$arch/$2: uninstall failed"
    [ ! -e "$folder" ] || fail "$arch/$2: uninstalling left $3/fhswitch"
    [ -z "$(event_source "$view")" ] || fail "$arch/$2: uninstalling left the event source"
    [ -z "$(entry_version "$newer_code" "$view")" ] || fail "$arch/$2: uninstalling left the entry"
    wineserver -k 2>/dev/null || true
}

# 64-bit Windows has no 32-bit File History: a 32-bit MSI must refuse it, and
# leave nothing behind. Windows and Wine 8 end with 1603, Wine 10 with 0.
refused_on_64_bit() {  # ARCH PROGRAM-FILES VIEW
    local arch=$1 msi=$dist/fhswitch-$version-windows-$1.msi status
    echo "== $arch MSI in a win64 prefix: refused"
    export WINEPREFIX=$work/$arch-in-win64 WINEARCH=win64
    wine wineboot -i >/dev/null 2>&1 || { fail "$arch/win64: Wine cannot start"; return; }
    status=$(msiexec_status /i "$(windows_path "$msi")" || true)
    [ "$status" = 1603 ] || [ "$status" = 0 ] || fail "$arch/win64: the install ended with $status, not refused"
    [ ! -e "$WINEPREFIX/drive_c/$2/fhswitch" ] || fail "$arch/win64: installed into $2/fhswitch"
    [ -z "$(entry_version "$(product_code "$msi")" "$3")" ] || fail "$arch/win64: left an uninstall entry"
    [ -z "$(event_source "$3")" ] || fail "$arch/win64: registered the event source"
    wineserver -k 2>/dev/null || true
}

# Each architecture in a prefix of the Windows it is for; a 32-bit one is
# refused by a 64-bit prefix.
while IFS=$'\t' read -r arch win64 view program_files; do
    if [ "$win64" = yes ]; then
        check "$arch" win64 "$program_files" "$view"
    else
        refused_on_64_bit "$arch" "$program_files" "$view"
        check "$arch" win32 "Program Files" "$view"
    fi
done < <(awk -F'\t' '!/^#/ {print $1 "\t" $6 "\t" $7 "\t" $9}' "$here/../../cmake/windows-architectures.tsv")
[ $failures -eq 0 ] && echo "install: every MSI installs on its Windows, upgrades, refuses a downgrade and uninstalls; the 32-bit one refuses 64-bit Windows"
exit $((failures > 0))
