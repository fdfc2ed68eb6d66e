#!/usr/bin/env bash
# Runs the tests of the Windows build under Wine in a fresh prefix: registers
# TOVRAK_DLL.dll, runs the test programs (COM1 and COM2 are the two ends of a
# pseudo-terminal pair) and the control panel on a virtual X display with a
# picture of it, unregisters, checks the registry after each.
#
#   tests/windows/run.sh BUILD_DIR win64|win32
#   tests/windows/run.sh BUILD_DIR wow64 BUILD_DIR_X86_64
#
# wow64: the i686 DLL in the 32-bit registry view of a 64-bit prefix, the
# x86-64 DLL beside it in the 64-bit view; unregistering either leaves the
# other. A run's files are in BUILD_DIR/CONFIG: configurations may run at once.
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
  *) echo "unknown configuration $CONFIG" >&2 && exit 2 ;;
esac
export W
WINESERVER=/usr/lib/wine/wineserver
OUT=$BUILD/$CONFIG
RUN=$OUT/run
CACHE=${BUILD64:-$BUILD}/prefix-cache/$PREFIX_KIND
export WINEPREFIX=$OUT/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
SOCAT_PID= XVFB_PID=
# Wine ends while its display is still there.
trap '"$WINESERVER" -k >/dev/null 2>&1; kill $SOCAT_PID $XVFB_PID 2>/dev/null || true' EXIT

step() { echo "== $CONFIG [${SECONDS}s] $*"; }
fail() { echo "FAIL ($CONFIG): $*" >&2 && exit 1; }

# A Windows path of a file of this machine.
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
# The registry as the programs of view $1 (64 or 32) see it, read by one
# program of that bitness into $RUN/registry: lines "KEY", "KEY<TAB>NAME<TAB>DATA".
read_registry() {
  local dumper=("$W" "$BIN/tovrak_regdump.exe")
  [ "$1" = 64 ] && [ "$CONFIG" = wow64 ] && dumper=("$WINE64" "$BUILD64/bin/tovrak_regdump.exe")
  "${dumper[@]}" TOVRAK_DLL.TOVRAK_Connector TOVRAK_DLL.TOVRAK_Protocol "CLSID\\$CLSID_CONNECTOR" \
    "CLSID\\$CLSID_PROTOCOL" "TypeLib\\$LIBID" "Interface\\$IID_PROTOCOL" \
    "Interface\\$DIID_EVENTS" | tr -d '\r' >"$RUN/registry" || fail "registry read"
}
# Value $2 (empty: the default) of key $1 in the registry read last is $3.
value_is() {
  local got
  got=$(K=$1 N=$2 awk -F'\t' 'NF == 3 && $1 == ENVIRON["K"] && $2 == ENVIRON["N"] { print $3 }' \
    "$RUN/registry")
  [ "$got" = "$3" ] || fail "$1 [$2]: got '$got', expected '$3'"
}
haskey() { grep -qxF "$1" "$RUN/registry"; }

# The identifiers as the type library description declares them.
idl_uuid() { awk -v what="$1" '/uuid\(/ { u = $0; sub(/.*uuid\(/, "", u); sub(/\).*/, "", u) }
  $0 ~ "^ *" what "$" { print "{" toupper(u) "}"; exit }' "$IDL"; }
LIBID=$(idl_uuid "library TOVRAK_DLL")
CLSID_CONNECTOR=$(idl_uuid "coclass TOVRAK_Connector")
CLSID_PROTOCOL=$(idl_uuid "coclass TOVRAK_Protocol")
IID_PROTOCOL=$(idl_uuid "interface _TOVRAK_Protocol : IDispatch")
DIID_EVENTS=$(idl_uuid "dispinterface __TOVRAK_Protocol")
DLL=$(winpath "$BIN/TOVRAK_DLL.dll")
[ "$CONFIG" = wow64 ] && DLL64=$(winpath "$BUILD64/bin/TOVRAK_DLL.dll")

# DLL $1 registered for type library platform $2, as registry view $3 sees it.
check_registered() {
  local dll=$1 arch=$2 class clsid prog_id
  read_registry "$3"
  for class in Connector Protocol; do
    clsid=CLSID_${class^^} && clsid=${!clsid} prog_id=TOVRAK_DLL.TOVRAK_$class
    value_is "HKCR\\$prog_id\\Clsid" "" "$clsid"
    value_is "HKCR\\CLSID\\$clsid" "" "$prog_id"
    value_is "HKCR\\CLSID\\$clsid\\InprocServer32" "" "$dll"
    value_is "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel Apartment
    value_is "HKCR\\CLSID\\$clsid\\ProgID" "" "$prog_id"
    value_is "HKCR\\CLSID\\$clsid\\TypeLib" "" "$LIBID"
  done
  value_is "HKCR\\TypeLib\\$LIBID\\1.3\\0\\$arch" "" "$dll"
  value_is "HKCR\\Interface\\$IID_PROTOCOL\\TypeLib" "" "$LIBID"
  haskey "HKCR\\Interface\\$DIID_EVENTS" || fail "event interface not registered"
}
# Nothing of the classes and of type library platform $1 left in registry
# view $2; with "all", nor of the ProgIDs, interfaces and type library.
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
  for key in "${keys[@]}"; do ! haskey "$key" || fail "still registered: $key"; done
}
# Registers (or with /u unregisters) DLL $2 with the regsvr32 of loader $1.
regsvr() { "$1" regsvr32 /s "${@:3}" "$2" || fail "regsvr32 ${*:3} $2 failed with $?"; }

# The cached prefix, made once per kind and Wine version, under a lock.
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
# (A 64-bit prefix made while 32-bit programs could not run lacks their half.)
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

# Wine settings under key $1, value $2 = $3; read when Wine starts.
wine_setting() { "$WSYS" reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null; }
restart_wine() { "$WINESERVER" -k >/dev/null 2>&1 || true; "$WINESERVER" -w; "$WINESERVER" -p; }

step "COM1 and COM2 on the two ends of a pseudo-terminal pair"
socat pty,raw,echo=0,link="$RUN/ttyA" pty,raw,echo=0,link="$RUN/ttyB" 2>"$RUN/socat.log" &
SOCAT_PID=$!
# Waits up to $1 tenths of a second for the command after it to hold.
await() { local n=$1; shift; until "$@"; do ((n-- > 0)) || return 1; sleep 0.1; done; }
await 50 test -e "$RUN/ttyB" && [ -e "$RUN/ttyA" ] || fail "socat made no pseudo-terminals: $(cat "$RUN/socat.log")"
wine_setting 'HKLM\Software\Wine\Ports' COM1 "$RUN/ttyA"
wine_setting 'HKLM\Software\Wine\Ports' COM2 "$RUN/ttyB"
restart_wine # one persistent server: each program starts faster

step "registration"
regsvr "$W" "$DLL"
check_registered "$DLL" "$TLB_ARCH" "$VIEW"
if [ "$CONFIG" = wow64 ]; then
  step "registration of the x86-64 DLL beside it, each in its own registry view"
  regsvr "$WINE64" "$DLL64"
  check_registered "$DLL64" win64 64
  check_registered "$DLL" win32 32
fi

# Test program $1 (with arguments $3...) under the title $2; it must end with 0.
program() { step "$2"; "$W" "$BIN/tovrak_$1.exe" "${@:3}" || fail "$2"; }
program platform_test "platform: apartment, timers, serial control"
program com_client "C++ host: early binding, type library, events, serial link"
program vb_host "Visual Basic style host: late binding, each type by reference and by value"

step "VBScript host"
out=$("$W" cscript //nologo "$(winpath "$HERE/script_host.vbs")" | tr -d '\r') && rc=0 || rc=$?
echo "$out"
# A script error ends cscript without the DONE line (and, under Wine, with 0).
grep -qx "DONE fails=0" <<<"$out" && [ "$rc" = 0 ] || fail "VBScript host (exit $rc)"

step "control panel window on a virtual X display"
# A virtual desktop: Wine draws the window's frame itself, with no window manager.
wine_setting 'HKCU\Software\Wine\Explorer' Desktop Default
wine_setting 'HKCU\Software\Wine\Explorer\Desktops' Default 640x480
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$RUN/display" 2>"$RUN/xvfb.log" &
XVFB_PID=$!
await 100 test -s "$RUN/display" || true
export DISPLAY=:$(cat "$RUN/display")
restart_wine # Wine starts again on the new display
# The client writes where its window is into READY, then waits for DONE.
"$W" "$BIN/tovrak_panel_client.exe" "$(winpath "$RUN/ready")" "$(winpath "$RUN/done")" &
PANEL_PID=$!
panel_ready() { [ -e "$RUN/ready" ] || ! kill -0 "$PANEL_PID" 2>/dev/null; }
await 600 panel_ready || true
PICTURE=$OUT/control_panel.png
if [ -e "$RUN/ready" ]; then
  sleep 0.5 # for the picture only: the window is painted
  import -window root -crop "$(tr -d '\r\n' <"$RUN/ready")" +repage "$PICTURE" || true
fi
touch "$RUN/done"
wait "$PANEL_PID" || fail "control panel window"
[ -s "$PICTURE" ] || fail "no picture of the control panel window"
echo "picture: $PICTURE"
restart_wine

step "unregistration"
if [ "$CONFIG" = wow64 ]; then
  # Either DLL unregistered (loader, DLL, platform, view) leaves the other.
  regsvr "$W" "$DLL" /u && check_unregistered win32 32 && check_registered "$DLL64" win64 64
  step "unregistration of the x86-64 DLL leaves the i686 one"
  regsvr "$W" "$DLL"
  regsvr "$WINE64" "$DLL64" /u && check_unregistered win64 64 && check_registered "$DLL" win32 32
fi
regsvr "$W" "$DLL" /u
check_unregistered all "$VIEW"
[ "$CONFIG" != wow64 ] || check_unregistered all 64

step "all Windows tests passed"
