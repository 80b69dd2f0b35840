#!/usr/bin/env bash
# Runs Wine as this machine can. Where 32-bit x86 programs run
# (tools/can-run-32-bit.sh), through Debian's launcher, as a user would.
# Elsewhere through the 64-bit loader: the launcher takes the 32-bit one
# whenever wine32 is installed, and that cannot start there, not even for a
# 64-bit program.
# Always with the kernel's address randomisation off, where the kernel allows
# it, for Wine and every process it starts: Debian's Wine has no preloader, so
# the kernel puts the 64-bit loader's heap anywhere up to 1 GiB above the
# loader (at 0x7d000000), now and then over the address every Windows process
# needs for its shared user data (0x7ffe0000). That process then fails to
# start: "failed to map the shared user data" and status 1, or, started by
# cmd, "Can't recognize" and 9009; a console host that fails so leaves cmd
# without its code page. Unrandomised, the heap starts right after the loader.
#   tools/wine.sh PROGRAM [ARGUMENTS...]   runs it, like "wine"
#   tools/wine.sh --command               prints the command that runs Wine
#                                         here, a word a line (for a caller that
#                                         starts Wine many times, as the
#                                         end-to-end harness does)
#   source tools/wine.sh                  defines wine() so, the loader chosen once,
#                                         and no_32_bit: why 32-bit programs cannot
#                                         run here (empty where they can)
if no_32_bit=$(bash "$(dirname "${BASH_SOURCE[0]}")/can-run-32-bit.sh"); then
    loader=(wine)
else
    # Wine starts every program through WINELOADER.
    loader=(WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64)
fi
# Wine's environment is this script's, whatever the caller's shell or desktop
# session exported, so that a program's output is the same on every machine:
# no display (a console program needs none, and a display driver that finds
# no session writes to stderr: Wine 10's Wayland driver, on a console, "error:
# XDG_RUNTIME_DIR is invalid or not set"), a runtime folder of Wine's own, no
# session bus, Wine silent, no Mono or Gecko, and one locale (Wine takes its
# code pages and the decoding of its arguments from it).
runtime_dir=${TMPDIR:-/tmp}/fhswitch-wine-runtime-$(id -u)
mkdir -p -m 700 "$runtime_dir" 2>/dev/null
if [ ! -O "$runtime_dir" ] || [ -L "$runtime_dir" ]; then runtime_dir=$(mktemp -d); fi
wine_command=(env -u DISPLAY -u WAYLAND_DISPLAY -u XAUTHORITY -u DBUS_SESSION_BUS_ADDRESS
    -u XDG_SESSION_TYPE -u XDG_CURRENT_DESKTOP -u XDG_SESSION_DESKTOP
    "XDG_RUNTIME_DIR=$runtime_dir" WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" LC_ALL=C.UTF-8
    "${loader[@]}")
if setarch "$(uname -m)" -R true 2>/dev/null; then wine_command=(setarch "$(uname -m)" -R "${wine_command[@]}"); fi
if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    wine() { command "${wine_command[@]}" "$@"; }
elif [ "${1:-}" = --command ]; then
    printf '%s\n' "${wine_command[@]}"
else
    exec "${wine_command[@]}" "$@"
fi
