#!/usr/bin/env bash
# Runs Wine as this machine can. Where 32-bit x86 programs run
# (tools/can-run-32-bit.sh), through Debian's launcher, as a user would.
# Elsewhere through the 64-bit loader: the launcher takes the 32-bit one
# whenever wine32 is installed, and that cannot start there, not even for a
# 64-bit program.
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
if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    wine() { command "$wine_loader" "$@"; }
else
    exec "$wine_loader" "$@"
fi
