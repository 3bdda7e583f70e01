#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine (as root).
# Idempotent: a second run only checks. Wine comes as wine + wine64, and, when
# the kernel can run 32-bit programs, also wine32:i386, so that the shipped
# 32-bit Setup.exe runs in a 64-bit prefix as on 64-bit Windows (WoW64).
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"

PACKAGES=(
  cmake make g++ python3 libgtest-dev libgmock-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  mingw-w64-i686-dev mingw-w64-x86-64-dev
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 locales icoutils liblnk-utils file
  xvfb xauth imagemagick fonts-nanum
  osslsigncode openssl
  xorriso libarchive-tools
)

# A 32-bit program only runs where the kernel has 32-bit support; find out
# with the smallest one there is (exit(0) through int 0x80).
if "$HERE/../bench/kernel32-probe.sh"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: adding the i386 architecture"
    dpkg --add-architecture i386
  fi
  PACKAGES+=(wine32:i386)
else
  echo "bootstrap: this kernel cannot run 32-bit programs: no wine32, the Wine bench runs the x86_64 build"
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine needs a real Korean locale for Korean file names (code page 949).
if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
  echo "bootstrap: generating ko_KR.UTF-8"
  localedef -i ko_KR -f UTF-8 ko_KR.UTF-8
fi
