#!/usr/bin/env bash
# Installs what building and testing Corvane needs on Debian 12, and makes
# 32-bit code runnable. Quick when everything is there already.
set -euo pipefail

packages=(cmake make python3 g++-mingw-w64-i686 binutils-mingw-w64-i686
          wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
          fonts-ipafont-gothic locales googletest qemu-user-static)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_ dpkg --add-architecture i386
  fi
  sudo_ apt-get update -q
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Japanese tests run Wine under a Japanese locale (ANSI code page 932).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  sudo_ localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# Some kernels (virtual machines without 32-bit user mode among them) refuse
# to execute i386 binaries, and wine32 is one. Then i386 ELF programs are
# handed to qemu's user-mode emulator through binfmt_misc.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  bm=/proc/sys/fs/binfmt_misc
  [ -f $bm/register ] || sudo_ mount -t binfmt_misc binfmt_misc $bm
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  # Executables (type 2) and position-independent executables (type 3).
  for t in 2 3; do
    name=corvane-i386-$t
    [ -e $bm/$name ] && continue
    echo ":$name:M::${magic}\\x0${t}\\x00\\x03\\x00:${mask}:/usr/bin/qemu-i386-static:F" |
      sudo_ tee $bm/register >/dev/null
  done
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "setup: cannot run 32-bit Wine"; exit 1; }
  echo "setup: 32-bit programs run through qemu-i386"
fi
