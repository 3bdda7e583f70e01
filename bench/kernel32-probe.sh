#!/usr/bin/env bash
# Exit 0 when this kernel runs a 32-bit x86 program, 1 when it does not (or
# when the 32-bit assembler is missing, which then says so on stderr).
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/p.s" <<'ASM'
.globl _start
_start:
  movl $1, %eax
  movl $0, %ebx
  int $0x80
ASM
as --32 "$dir/p.s" -o "$dir/p.o" 2>/dev/null && ld -m elf_i386 "$dir/p.o" -o "$dir/p" 2>/dev/null || {
  echo "kernel32-probe: cannot assemble a 32-bit program (binutils)" >&2
  exit 1
}
"$dir/p" 2>/dev/null
