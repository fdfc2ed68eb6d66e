# Makes 32-bit Windows programs run under Wine, sourced by tools/test-windows.
#
# Debian's 32-bit Wine (wine32:i386) needs a machine that runs 32-bit x86
# Linux programs. Where the kernel refuses them, a user-mode emulator does it:
# qemu-i386 of qemu-user from bookworm-backports (Debian 12's own is far too
# slow), unpacked under $QEMU_ROOT and registered with binfmt_misc for 32-bit
# x86 executables. Every step is skipped when its result is already there.

WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
QEMU_ROOT=${QEMU_ROOT:-/opt/tovrak/qemu-user}
BINFMT=/proc/sys/fs/binfmt_misc

# True when 32-bit Wine starts. Installed is not enough: the loader must run.
wine32_runs() { timeout 120 "$WINE32" --version >/dev/null 2>&1; }

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The Debian mirror of the configured sources, for bookworm-backports.
debian_mirror() {
  local uri
  uri=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' |
    grep -v security | head -1)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $3 ~ /^bookworm$/ {print $2; exit}' \
    /etc/apt/sources.list 2>/dev/null)
  echo "${uri:-http://deb.debian.org/debian}"
}

apt_update() { as_root apt-get -o DPkg::Lock::Timeout=600 update -qq; }

ensure_wine32_package() {
  dpkg --print-foreign-architectures | grep -qx i386 && dpkg-query -W -f='${Status}' wine32:i386 \
    2>/dev/null | grep -q "install ok installed" && return 0
  echo "installing: wine32:i386"
  as_root dpkg --add-architecture i386
  apt_update
  DEBIAN_FRONTEND=noninteractive as_root apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends wine32:i386
}

# Unpacks qemu-user of bookworm-backports under $QEMU_ROOT (not installed).
ensure_qemu_i386() {
  [ -x "$QEMU_ROOT/usr/bin/qemu-i386" ] && return 0
  if ! apt-cache policy qemu-user 2>/dev/null | grep -q bookworm-backports; then
    echo "adding the bookworm-backports source"
    as_root tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null <<EOF
Types: deb
URIs: $(debian_mirror)
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt_update
  fi
  local tmp
  tmp=$(mktemp -d)
  chmod 755 "$tmp" # apt downloads as its own user
  (cd "$tmp" && apt-get download -qq qemu-user/bookworm-backports)
  as_root mkdir -p "$QEMU_ROOT"
  as_root dpkg-deb -x "$tmp"/qemu-user_*.deb "$QEMU_ROOT"
  rm -rf "$tmp"
  [ -x "$QEMU_ROOT/usr/bin/qemu-i386" ]
}

# Registers qemu-i386 for 32-bit x86 ELF executables, once.
ensure_binfmt() {
  [ -e "$BINFMT/register" ] || as_root mount -t binfmt_misc binfmt_misc "$BINFMT"
  [ -e "$BINFMT/qemu-i386" ] && return 0
  echo "registering $QEMU_ROOT/usr/bin/qemu-i386 for 32-bit x86 programs"
  # The kernel decodes the \x escapes itself: they are written literally.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU_ROOT"'/usr/bin/qemu-i386:F' |
    as_root tee "$BINFMT/register" >/dev/null
}

# Makes 32-bit Wine run if it can. True when it runs.
setup_wine32() {
  if ! ensure_wine32_package; then
    echo "could not install wine32:i386" >&2
    return 1
  fi
  wine32_runs && return 0
  [ "$(uname -m)" = x86_64 ] || return 1
  if ! ensure_qemu_i386; then
    echo "could not unpack qemu-i386 of bookworm-backports" >&2
    return 1
  fi
  if ! ensure_binfmt; then
    echo "could not register qemu-i386 with binfmt_misc" >&2
    return 1
  fi
  wine32_runs
}
