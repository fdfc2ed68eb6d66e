#!/usr/bin/env bash
# Runs the tests of the Windows build under Wine, in a fresh Wine prefix:
# registers TOVRAK_DLL.dll, checks the registry, runs the platform test, the
# VBScript host, the C++ host (COM1 and COM2 are the two ends of one
# pseudo-terminal pair), the Visual Basic style host, the control panel
# window on a virtual X display (Xvfb) with a picture of it, unregisters,
# and checks that the registry is clean.
#
#   tests/windows/run.sh BUILD_DIR win64
#   tests/windows/run.sh BUILD_DIR win32
#   tests/windows/run.sh BUILD_DIR wow64 BUILD_DIR_X86_64
#
# win64: the x86-64 build in a 64-bit prefix. win32: the i686 build in a
# 32-bit prefix. wow64: the i686 build driven by 32-bit programs in a 64-bit
# prefix (the 32-bit registry view), with the x86-64 DLL of BUILD_DIR_X86_64
# registered beside it in the 64-bit view; unregistering either leaves the
# other in working order.
#
# A new prefix is a copy of one made once per kind and Wine version and kept
# in BUILD_DIR/prefix-cache (for wow64, the one of BUILD_DIR_X86_64); the
# prefix, ports and picture of a run are in
# BUILD_DIR/CONFIG, so runs of different configurations may go at once.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
BUILD=$(cd "$1" && pwd)
CONFIG=${2:-win64}
BIN=$BUILD/bin
IDL=$TOP/src/hosts/com/generated/TOVRAK_DLL.idl

WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
# W runs the programs under test; WSYS the prefix's own (ports, desktop).
case $CONFIG in
  win64) W=$WINE64 WSYS=$WINE64 PREFIX_KIND=win64 TLB_ARCH=win64 VIEW=64 ;;
  win32) W=$WINE32 WSYS=$WINE32 PREFIX_KIND=win32 TLB_ARCH=win32 VIEW=32 ;;
  wow64)
    W=$WINE32 WSYS=$WINE64 PREFIX_KIND=win64 TLB_ARCH=win32 VIEW=32
    BUILD64=$(cd "${3:?wow64 needs the x86-64 build directory}" && pwd)
    ;;
  *)
    echo "unknown configuration $CONFIG" >&2
    exit 2
    ;;
esac
export W
WINESERVER=/usr/lib/wine/wineserver
OUT=$BUILD/$CONFIG
RUN=$OUT/run
CACHE=${BUILD64:-$BUILD}/prefix-cache/$PREFIX_KIND
export WINEPREFIX=$OUT/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
SOCAT_PID=

cleanup() {
  [ -n "$SOCAT_PID" ] && kill "$SOCAT_PID" 2>/dev/null || true
  "$WINESERVER" -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

START=${EPOCHREALTIME/,/.}
step() {
  awk -v a="$START" -v b="${EPOCHREALTIME/,/.}" -v c="$CONFIG" -v t="$*" \
    'BEGIN { printf "== %s [%5.1fs] %s\n", c, b - a, t }'
}
fail() {
  echo "FAIL ($CONFIG): $*" >&2
  exit 1
}

# A Windows path of a file of this machine.
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
# The registry as the programs of one view see it (64 or 32, each in its
# own registry view; in the 32-bit prefix there is one), read once per check
# by one program of that bitness into $RUN/registry: lines "KEY" and
# "KEY<TAB>NAME<TAB>DATA".
read_registry() {
  local dumper=("$W" "$BIN/tovrak_regdump.exe")
  [ "$1" = 64 ] && [ "$CONFIG" = wow64 ] && dumper=("$WINE64" "$BUILD64/bin/tovrak_regdump.exe")
  "${dumper[@]}" TOVRAK_DLL.TOVRAK_Connector TOVRAK_DLL.TOVRAK_Protocol "CLSID\\$CLSID_CONNECTOR" \
    "CLSID\\$CLSID_PROTOCOL" "TypeLib\\$LIBID" "Interface\\$IID_PROTOCOL" \
    "Interface\\$DIID_EVENTS" | tr -d '\r' >"$RUN/registry" || fail "registry read"
}
# A value of the registry read last; empty when missing. With no name, the
# default value.
regvalue() {
  K=$1 N=${2:-} awk -F'\t' 'NF == 3 && $1 == ENVIRON["K"] && $2 == ENVIRON["N"] { print $3; exit }' \
    "$RUN/registry"
}
haskey() { grep -qxF "$1" "$RUN/registry"; }
expect() { [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"; }

# The identifiers as the type library description declares them.
idl_uuid() { awk -v what="$1" '/uuid\(/ { u = $0; sub(/.*uuid\(/, "", u); sub(/\).*/, "", u) }
  $0 ~ "^ *" what "$" { print "{" toupper(u) "}"; exit }' "$IDL"; }
LIBID=$(idl_uuid "library TOVRAK_DLL")
CLSID_CONNECTOR=$(idl_uuid "coclass TOVRAK_Connector")
CLSID_PROTOCOL=$(idl_uuid "coclass TOVRAK_Protocol")
IID_PROTOCOL=$(idl_uuid "interface _TOVRAK_Protocol : IDispatch")
DIID_EVENTS=$(idl_uuid "dispinterface __TOVRAK_Protocol")
for id in LIBID CLSID_CONNECTOR CLSID_PROTOCOL IID_PROTOCOL DIID_EVENTS; do
  [[ ${!id} =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "no $id in $IDL"
done
DLL=$(winpath "$BIN/TOVRAK_DLL.dll")
[ "$CONFIG" = wow64 ] && DLL64=$(winpath "$BUILD64/bin/TOVRAK_DLL.dll")

# The registration of DLL $1 for type library platform $2, as the programs
# of registry view $3 see it.
check_registered() {
  local dll=$1 arch=$2 class clsid_var clsid prog_id
  read_registry "$3"
  for class in Connector Protocol; do
    clsid_var=CLSID_${class^^}
    clsid=${!clsid_var}
    prog_id=TOVRAK_DLL.TOVRAK_$class
    expect "$prog_id\\Clsid" "$(regvalue "HKCR\\$prog_id\\Clsid")" "$clsid"
    expect "CLSID $prog_id" "$(regvalue "HKCR\\CLSID\\$clsid")" "$prog_id"
    expect "$prog_id InprocServer32" "$(regvalue "HKCR\\CLSID\\$clsid\\InprocServer32")" "$dll"
    expect "$prog_id ThreadingModel" \
      "$(regvalue "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel)" Apartment
    expect "$prog_id ProgID" "$(regvalue "HKCR\\CLSID\\$clsid\\ProgID")" "$prog_id"
    expect "$prog_id TypeLib" "$(regvalue "HKCR\\CLSID\\$clsid\\TypeLib")" "$LIBID"
  done
  expect "type library ($arch)" "$(regvalue "HKCR\\TypeLib\\$LIBID\\1.3\\0\\$arch")" "$dll"
  expect "interface type library" "$(regvalue "HKCR\\Interface\\$IID_PROTOCOL\\TypeLib")" "$LIBID"
  haskey "HKCR\\Interface\\$DIID_EVENTS" || fail "event interface not registered"
}
# Nothing of the classes and of type library platform $1 left, as the
# programs of registry view $2 see it; with "all", no trace of the ProgIDs,
# the interfaces (which serve both views) and the type library either.
check_unregistered() {
  local arch=$1 key keys
  read_registry "$2"
  keys=("HKCR\\CLSID\\$CLSID_CONNECTOR" "HKCR\\CLSID\\$CLSID_PROTOCOL")
  if [ "$arch" = all ]; then
    keys+=('HKCR\TOVRAK_DLL.TOVRAK_Connector' 'HKCR\TOVRAK_DLL.TOVRAK_Protocol'
      "HKCR\\TypeLib\\$LIBID" "HKCR\\Interface\\$IID_PROTOCOL" "HKCR\\Interface\\$DIID_EVENTS")
  else
    keys+=("HKCR\\TypeLib\\$LIBID\\1.3\\0\\$arch")
  fi
  for key in "${keys[@]}"; do
    haskey "$key" && fail "still registered: $key"
  done
  return 0
}
# Registers (or with /u unregisters) DLL $2 with the regsvr32 of loader $1.
regsvr() {
  local loader=$1 dll=$2
  shift 2
  "$loader" regsvr32 /s "$@" "$dll" || fail "regsvr32 $* $dll failed with $?"
}
# The Visual Basic style host of build directory $1 under loader $2.
vb_host() { "$2" "$1/bin/tovrak_vb_host.exe" || fail "Visual Basic style host ($1, $2)"; }

# The cached prefix, made once per kind and Wine version; several runs may
# ask at the same time.
prefix_template() {
  local stamp
  stamp="$PREFIX_KIND $("$WSYS" --version 2>&1) $(wine32_state)"
  mkdir -p "$(dirname "$CACHE")"
  (
    flock 9
    if [ "$(cat "$CACHE.stamp" 2>/dev/null)" != "$stamp" ]; then
      rm -rf "$CACHE" "$CACHE.stamp"
      WINEPREFIX=$CACHE WINEARCH=$PREFIX_KIND "$WSYS" wineboot -i >/dev/null 2>&1
      WINEPREFIX=$CACHE "$WINESERVER" -w
      echo "$stamp" >"$CACHE.stamp"
    fi
  ) 9>"$CACHE.lock"
}
# A 64-bit prefix made while 32-bit programs could not run lacks their half.
wine32_state() { timeout 120 "$WINE32" --version >/dev/null 2>&1 && echo with-32-bit || echo 64-bit-only; }

step "fresh Wine prefix ($PREFIX_KIND)"
prefix_template
rm -rf "$OUT"
mkdir -p "$RUN" "$WINEPREFIX"
# The DLLs of the system are only read: they are shared with the cache.
tar -C "$CACHE" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 \
  --exclude=./drive_c/windows/winsxs -cf - . | tar -C "$WINEPREFIX" -xf -
for d in system32 syswow64 winsxs; do
  [ ! -d "$CACHE/drive_c/windows/$d" ] || cp -al "$CACHE/drive_c/windows/$d" "$WINEPREFIX/drive_c/windows/"
done

step "COM1 and COM2 on the two ends of a pseudo-terminal pair"
socat pty,raw,echo=0,link="$RUN/ttyA" pty,raw,echo=0,link="$RUN/ttyB" 2>"$RUN/socat.log" &
SOCAT_PID=$!
for _ in $(seq 50); do [ -e "$RUN/ttyA" ] && [ -e "$RUN/ttyB" ] && break; sleep 0.1; done
[ -e "$RUN/ttyA" ] || fail "socat made no pseudo-terminals: $(cat "$RUN/socat.log")"
"$WSYS" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$RUN/ttyA" /f >/dev/null
"$WSYS" reg add 'HKLM\Software\Wine\Ports' /v COM2 /t REG_SZ /d "$RUN/ttyB" /f >/dev/null
"$WINESERVER" -k >/dev/null 2>&1 || true # the ports are read when Wine starts
"$WINESERVER" -w
# One Wine server for the programs that follow: each starts faster.
"$WINESERVER" -p

step "registration"
read_registry "$VIEW"
haskey 'HKCR\TOVRAK_DLL.TOVRAK_Connector' && fail "registered before regsvr32"
regsvr "$W" "$DLL"
check_registered "$DLL" "$TLB_ARCH" "$VIEW"
if [ "$CONFIG" = wow64 ]; then
  step "registration of the x86-64 DLL beside it, each in its own registry view"
  regsvr "$WINE64" "$DLL64"
  check_registered "$DLL64" win64 64
  check_registered "$DLL" win32 32
  vb_host "$BUILD64" "$WINE64"
fi

step "platform: apartment, timers, serial control"
"$W" "$BIN/tovrak_platform_test.exe" 1 2 || fail "platform test"

step "VBScript host"
out=$("$W" cscript //nologo "$(winpath "$HERE/script_host.vbs")" | tr -d '\r') && rc=0 || rc=$?
echo "$out"
# A script error ends cscript without the DONE line (and, under Wine, with 0).
grep -qx "DONE fails=0" <<<"$out" && [ "$rc" = 0 ] || fail "VBScript host (exit $rc)"

step "C++ host: early binding, type library, events, serial link"
"$W" "$BIN/tovrak_com_client.exe" 1 2 || fail "C++ host"

step "Visual Basic style host: late binding, each type by reference and by value"
vb_host "$BUILD" "$W"

step "control panel window on a virtual X display"
# A virtual desktop: Wine draws the window's frame itself, with no window
# manager.
"$WSYS" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null
"$WSYS" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 640x480 /f >/dev/null
"$WINESERVER" -k >/dev/null 2>&1 || true # Wine starts again on the new display
"$WINESERVER" -w
PICTURE=$OUT/control_panel.png
xvfb-run -a -n "${TOVRAK_XVFB_FIRST:-99}" -s "-screen 0 640x480x24" \
  "$HERE/panel_on_display.sh" "$BIN" "$RUN" "$PICTURE" || fail "control panel window"
[ -s "$PICTURE" ] || fail "no picture of the control panel window"
echo "picture: $PICTURE"
"$WINESERVER" -w
"$WINESERVER" -p

step "unregistration"
if [ "$CONFIG" = wow64 ]; then
  regsvr "$W" "$DLL" /u
  check_unregistered win32 32
  check_registered "$DLL64" win64 64
  vb_host "$BUILD64" "$WINE64"
  step "unregistration of the x86-64 DLL leaves the i686 one"
  regsvr "$W" "$DLL"
  regsvr "$WINE64" "$DLL64" /u
  check_unregistered win64 64
  check_registered "$DLL" win32 32
  vb_host "$BUILD" "$W"
fi
regsvr "$W" "$DLL" /u
check_unregistered all "$VIEW"
if [ "$CONFIG" = wow64 ]; then check_unregistered all 64; fi

step "all Windows tests passed"
