#!/usr/bin/env bash
# Says whether this machine can run 32-bit x86 programs, by running one: exits
# 0 when it can, 1 when it cannot, with the reason on standard output. Wine runs
# 32-bit Windows code in a 32-bit Linux process, so where this says no, no x86
# exe runs under Wine. Some kernels cannot run them at all (ia32_emulation=0,
# some sandboxes and cloud VMs); nothing about the machine predicts that, so it
# is tried. FHSWITCH_NO_32BIT=1 makes it say no on any machine, so that the
# other path can be tried; any other value but 0 says no too, with the value
# as the reason (tools/test.sh sets one where wine32 cannot be installed).
# Nothing makes it say yes.
set -uo pipefail

if [ -n "${FHSWITCH_NO_32BIT:-}" ] && [ "$FHSWITCH_NO_32BIT" != 0 ]; then
    [ "$FHSWITCH_NO_32BIT" = 1 ] && echo "FHSWITCH_NO_32BIT is set" || echo "$FHSWITCH_NO_32BIT"
    exit 1
fi

# The smallest i386 Linux program: an ELF header, one loadable segment at
# 0x08048000 and three instructions at its entry (0x08048054),
# mov eax, 1 (exit); mov ebx, 42; int 0x80. Only a machine that ran it ends with 42.
probe=$(mktemp "${TMPDIR:-/tmp}/fhswitch-i386-probe-XXXXXX") || { echo "cannot write the probe program"; exit 1; }
trap 'rm -f "$probe"' EXIT
elf_header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'  # 32-bit, little-endian
elf_header+='\x02\x00\x03\x00\x01\x00\x00\x00'                       # executable, i386, version 1
elf_header+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00'       # entry, program headers at 52, no sections
elf_header+='\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'  # flags, sizes, one program header
segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'     # loadable, from offset 0, at 0x08048000
segment+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'   # 96 bytes, read and execute
code='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
printf "$elf_header$segment$code" >"$probe" && chmod 700 "$probe"

error=$("$probe" 2>&1)
status=$?
[ $status -eq 42 ] && exit 0
echo "a 32-bit x86 program does not run here (status $status${error:+: ${error##*: }})"
exit 1
