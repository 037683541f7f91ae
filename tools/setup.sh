#!/bin/sh
# Installs everything the build, the tests and the tools need from Debian's
# archive and prepares Wine. Safe to run again: what is present is skipped.
set -eu

PACKAGES="
  cmake ninja-build g++ make
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  openjdk-17-jdk-headless
  wine wine64 wine32:i386 wine32-preloader:i386 qemu-user-static
  xvfb x11-utils xdotool imagemagick util-linux
  python3
  nsis
"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  missing=""
  for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing="$missing $p"
    fi
  done
  [ -n "$missing" ] || return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  echo "setup: installing$missing"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

# Some kernels (sandboxes among them) cannot run 32-bit Linux programs, and
# Debian's Wine runs 32-bit Windows programs in a 32-bit Linux process. There
# the Wine loader and server are diverted to small wrappers that run them
# under qemu's user-mode emulator, through Wine's own preloader so the Windows
# address space is reserved as on a real 32-bit process.
WINE_DIR=/usr/lib/wine
wine_runs_natively() {
  [ -f "$WINE_DIR/wine.i386-elf" ] && return 1
  "$WINE_DIR/wine" --version >/dev/null 2>&1
}

divert_to_qemu() {
  name=$1 body=$2
  if ! dpkg-divert --list "$WINE_DIR/$name" | grep -q .; then
    as_root dpkg-divert --add --rename --divert "$WINE_DIR/$name.i386-elf" "$WINE_DIR/$name"
  fi
  printf '#!/bin/sh\n%s\n' "$body" | as_root tee "$WINE_DIR/$name" >/dev/null
  as_root chmod 755 "$WINE_DIR/$name"
}

setup_wine_emulation() {
  if wine_runs_natively; then return 0; fi
  echo "setup: this kernel cannot run 32-bit programs; Wine runs under qemu-i386"
  as_root mkdir -p "$WINE_DIR/elf"
  as_root ln -sf ../wine.i386-elf "$WINE_DIR/elf/wine"
  divert_to_qemu wine \
    "WINELOADERNOEXEC=1 exec /usr/bin/qemu-i386-static $WINE_DIR/wine-preloader $WINE_DIR/elf/wine \"\$@\""
  divert_to_qemu wineserver32 \
    "exec /usr/bin/qemu-i386-static -0 $WINE_DIR/wineserver32 $WINE_DIR/wineserver32.i386-elf \"\$@\""
}

install_packages
setup_wine_emulation
echo "setup: ready"
