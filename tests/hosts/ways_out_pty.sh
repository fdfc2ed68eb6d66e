#!/usr/bin/env bash
# Real signals to `tovrak script --port` and `tovrak share` while they keep
# the simulated radio keyed (on a pseudo-terminal): SIGINT, SIGTERM and
# SIGHUP each leave it released. Then the radio goes away under a script:
# the script names the lost port and fails. The checks wait for what they
# look for with a generous deadline, never for a time.
set -euo pipefail
TOVRAK=$1
DIR=$(mktemp -d)
RADIO=$DIR/radio
SIM= RUN=
trap '[ -z "$SIM$RUN" ] || kill $SIM $RUN 2>/dev/null; wait 2>/dev/null; rm -rf "$DIR"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
eventually() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
start_sim() {
  "$TOVRAK" sim --pty "$RADIO" --id 19 >/dev/null 2>&1 &
  SIM=$!
  eventually test -L "$RADIO" || fail "no simulated radio"
}
released() {
  local got
  got=$("$TOVRAK" get ptt --port "$RADIO") || fail "get ptt: $got"
  [ "$got" = off ] || fail "after $1 the radio is still keyed"
}
start_sim

printf 'SetPort True, "", "", ""\nSetCAT 1\n@wait 500\nSetPTT 1\n@wait 60000\n' >"$DIR/keyed"
for sig in INT TERM HUP; do
  "$TOVRAK" script --port "$RADIO" "$DIR/keyed" >"$DIR/out" 2>"$DIR/err" &
  RUN=$!
  eventually grep -q 'SetPTT(1) -> True' "$DIR/out" || fail "script: never keyed"
  kill -$sig $RUN
  status=0
  wait $RUN || status=$?
  RUN=
  [ $status -eq 130 ] || fail "script after SIG$sig exited $status: $(cat "$DIR/err")"
  grep -q "transmitter released" "$DIR/err" || fail "script after SIG$sig: $(cat "$DIR/err")"
  released "SIG$sig to script"
done

for sig in INT TERM HUP; do
  rm -f "$DIR/log"
  "$TOVRAK" share --port "$RADIO" --pty "$DIR/a" --plain --log "$DIR/log" >"$DIR/out" 2>"$DIR/err" &
  RUN=$!
  eventually test -L "$DIR/a" || fail "share: no endpoint"
  exec 5<>"$DIR/a"
  stty raw -echo <&5
  printf 'TX1;' >&5
  eventually grep -q '  TX TX1;$' "$DIR/log" || fail "share: the client's TX1; never reached the radio"
  kill -$sig $RUN # the client is still there, keyed
  status=0
  wait $RUN || status=$?
  RUN=
  exec 5>&-
  [ $status -eq 0 ] || fail "share after SIG$sig exited $status: $(cat "$DIR/err")"
  grep -q "transmitter released" "$DIR/err" || fail "share after SIG$sig: $(cat "$DIR/err")"
  released "SIG$sig to share"
done

printf 'SetPort True, "", "", ""\nSetCAT 1\n@wait 500\n@wait 60000\nSetFreq 7.2\n' >"$DIR/long"
"$TOVRAK" script --port "$RADIO" "$DIR/long" >"$DIR/out" 2>"$DIR/err" &
RUN=$!
eventually grep -q 'SetCAT(1)' "$DIR/out" || fail "script: CAT never on"
kill $SIM
wait $SIM 2>/dev/null || true
SIM=
eventually grep -q "port lost: $RADIO" "$DIR/err" || fail "the lost port went unsaid: $(cat "$DIR/err")"
kill -INT $RUN
status=0
wait $RUN || status=$?
RUN=
[ $status -eq 130 ] || fail "script with its port lost exited $status"
echo "every way out leaves the radio released; a lost port is told"
