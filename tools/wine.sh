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
#   source tools/wine.sh                  defines wine() so, the loader chosen once,
#                                         and no_32_bit: why 32-bit programs cannot
#                                         run here (empty where they can)
if no_32_bit=$(bash "$(dirname "${BASH_SOURCE[0]}")/can-run-32-bit.sh"); then
    wine_loader=wine
else
    export WINELOADER=/usr/lib/wine/wine64
    wine_loader=$WINELOADER
fi
wine_layout=()
if setarch "$(uname -m)" -R true 2>/dev/null; then wine_layout=(setarch "$(uname -m)" -R); fi
if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    wine() { command "${wine_layout[@]}" "$wine_loader" "$@"; }
else
    exec "${wine_layout[@]}" "$wine_loader" "$@"
fi
