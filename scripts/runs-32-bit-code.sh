#!/usr/bin/env bash
# Succeeds where this machine runs 32-bit x86 programs, found out by running the
# smallest one: kernels with IA-32 emulation off refuse it ("Exec format error").
# Needs the host's assembler and linker (binutils).
set -uo pipefail
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
# exit(42) through the 32-bit system call gate
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$folder/exit.s"
as --32 -o "$folder/exit.o" "$folder/exit.s" && ld -m elf_i386 -o "$folder/exit" "$folder/exit.o" ||
    exit 2
"$folder/exit" 2>/dev/null
[ $? -eq 42 ]
