#!/usr/bin/env bash
# Runs the tests of the Windows build under Wine, in a fresh Wine prefix:
# registers TOVRAK_DLL.dll, checks the registry, runs the platform test, the
# VBScript host and the C++ host (COM1 and COM2 are the two ends of one
# pseudo-terminal pair), the control panel window on a virtual X display
# (Xvfb) with a picture of it in BUILD_DIR/control_panel.png, unregisters,
# and checks that the registry is clean.
#
#   tests/windows/run.sh BUILD_DIR [win64|win32]
#
# BUILD_DIR is a build of windows/CMakeLists.txt. With win32, the 32-bit DLL
# and programs run in a 32-bit prefix.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
BUILD=$(cd "$1" && pwd)
ARCH=${2:-win64}
BIN=$BUILD/bin
IDL=$TOP/src/hosts/com/generated/TOVRAK_DLL.idl

export WINEPREFIX=$BUILD/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ "$ARCH" = win32 ] && export WINEARCH=win32
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
RUN=$BUILD/run
SOCAT_PID=

cleanup() {
  [ -n "$SOCAT_PID" ] && kill "$SOCAT_PID" 2>/dev/null || true
  "$WINESERVER" -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

START=${EPOCHREALTIME/,/.}
step() { awk -v a="$START" -v b="${EPOCHREALTIME/,/.}" -v t="$*" 'BEGIN { printf "== [%5.1fs] %s\n", b - a, t }'; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A Windows path of a file of this machine.
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
# A registry value; empty when the key or value is missing. With no name,
# the default value.
regvalue() {
  local key=$1 name=${2:-}
  local out
  if [ -n "$name" ]; then
    out=$(wine reg query "$key" /v "$name" 2>/dev/null | tr -d '\r') || return 0
    sed -n "s/^ *$name *REG_SZ *//p" <<<"$out" | head -1
  else
    out=$(wine reg query "$key" /ve 2>/dev/null | tr -d '\r') || return 0
    sed -n 's/^ *(Default) *REG_SZ *//p; s/^ *<NO NAME> *REG_SZ *//p' <<<"$out" | head -1
  fi
}
haskey() { wine reg query "$1" >/dev/null 2>&1; }
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
[ "$ARCH" = win32 ] && TLB_ARCH=win32 || TLB_ARCH=win64

step "fresh Wine prefix ($ARCH)"
rm -rf "$WINEPREFIX" "$RUN"
mkdir -p "$RUN"
wine wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

step "COM1 and COM2 on the two ends of a pseudo-terminal pair"
socat pty,raw,echo=0,link="$RUN/ttyA" pty,raw,echo=0,link="$RUN/ttyB" 2>"$RUN/socat.log" &
SOCAT_PID=$!
for _ in $(seq 50); do [ -e "$RUN/ttyA" ] && [ -e "$RUN/ttyB" ] && break; sleep 0.1; done
[ -e "$RUN/ttyA" ] || fail "socat made no pseudo-terminals: $(cat "$RUN/socat.log")"
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$RUN/ttyA" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM2 /t REG_SZ /d "$RUN/ttyB" /f >/dev/null
"$WINESERVER" -k >/dev/null 2>&1 || true  # the ports are read when Wine starts
"$WINESERVER" -w

step "registration"
haskey 'HKCR\TOVRAK_DLL.TOVRAK_Connector' && fail "registered before regsvr32"
wine regsvr32 /s "$DLL" || fail "regsvr32 failed with $?"
for class in Connector Protocol; do
  clsid_var=CLSID_${class^^}
  clsid=${!clsid_var}
  prog_id=TOVRAK_DLL.TOVRAK_$class
  expect "$prog_id\\Clsid" "$(regvalue "HKCR\\$prog_id\\Clsid")" "$clsid"
  expect "CLSID $prog_id" "$(regvalue "HKCR\\CLSID\\$clsid")" "$prog_id"
  expect "$prog_id InprocServer32" "$(regvalue "HKCR\\CLSID\\$clsid\\InprocServer32")" "$DLL"
  expect "$prog_id ThreadingModel" \
    "$(regvalue "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel)" Apartment
  expect "$prog_id ProgID" "$(regvalue "HKCR\\CLSID\\$clsid\\ProgID")" "$prog_id"
  expect "$prog_id TypeLib" "$(regvalue "HKCR\\CLSID\\$clsid\\TypeLib")" "$LIBID"
done
expect "type library" "$(regvalue "HKCR\\TypeLib\\$LIBID\\1.3\\0\\$TLB_ARCH")" "$DLL"
expect "interface type library" "$(regvalue "HKCR\\Interface\\$IID_PROTOCOL\\TypeLib")" "$LIBID"
haskey "HKCR\\Interface\\$DIID_EVENTS" || fail "event interface not registered"

step "platform: apartment, timers, serial control"
wine "$BIN/tovrak_platform_test.exe" 1 2 || fail "platform test"

step "VBScript host"
out=$(wine cscript //nologo "$(winpath "$HERE/fresh_object.vbs")" | tr -d '\r') && rc=0 || rc=$?
echo "$out"
# A script error ends cscript without the DONE line (and, under Wine, with 0).
grep -qx "DONE fails=0" <<<"$out" && [ "$rc" = 0 ] || fail "VBScript host (exit $rc)"

step "C++ host: early and late binding, type library, events, serial link"
wine "$BIN/tovrak_com_client.exe" 1 2 || fail "C++ host"

step "control panel window on a virtual X display"
# A virtual desktop: Wine draws the window's frame itself, with no window
# manager.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 640x480 /f >/dev/null
"$WINESERVER" -k >/dev/null 2>&1 || true  # Wine starts again on the new display
"$WINESERVER" -w
PICTURE=$BUILD/control_panel.png
xvfb-run -a -s "-screen 0 640x480x24" "$HERE/panel_on_display.sh" "$BIN" "$RUN" "$PICTURE" ||
  fail "control panel window"
[ -s "$PICTURE" ] || fail "no picture of the control panel window"
echo "picture: $PICTURE"
"$WINESERVER" -w

step "unregistration"
wine regsvr32 /u /s "$DLL" || fail "regsvr32 /u failed with $?"
for key in 'HKCR\TOVRAK_DLL.TOVRAK_Connector' 'HKCR\TOVRAK_DLL.TOVRAK_Protocol' \
  "HKCR\\CLSID\\$CLSID_CONNECTOR" "HKCR\\CLSID\\$CLSID_PROTOCOL" \
  "HKCR\\TypeLib\\$LIBID\\1.3" "HKCR\\Interface\\$IID_PROTOCOL" "HKCR\\Interface\\$DIID_EVENTS"; do
  haskey "$key" && fail "still registered: $key"
done

step "all Windows tests passed"
